// SPDX-License-Identifier: LGPL-3.0-or-later
// The advapi32 registry functions over the in-memory registry. No exception leaves them: a
// failed allocation is reported as ERROR_NOT_ENOUGH_MEMORY.
#include "platform/native/registry/Advapi32.h"

#include "platform/native/registry/RegistryStore.h"

#include <new>

namespace {

template <typename Operation> LSTATUS Guarded(Operation operation) {
    try {
        return operation(RegistryStore::Instance());
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

extern "C" {

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                        const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    return Guarded([&](RegistryStore& store) {
        return store.CreateKey(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
    });
}

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    return Guarded(
        [&](RegistryStore& store) { return store.OpenKey(hKey, lpSubKey, samDesired, phkResult); });
}

LSTATUS RegCloseKey(HKEY hKey) {
    return Guarded([&](RegistryStore& store) { return store.CloseKey(hKey); });
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
    return Guarded([&](RegistryStore& store) {
        return store.SetValue(hKey, lpValueName, dwType, lpData, cbData);
    });
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&](RegistryStore& store) {
        return store.QueryValue(hKey, lpValueName, lpType, lpData, lpcbData);
    });
}

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                      LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                      PFILETIME lpftLastWriteTime) {
    if (lpReserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const LSTATUS status = Guarded(
        [&](RegistryStore& store) { return store.EnumKey(hKey, dwIndex, lpName, lpcchName); });
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // Keys here have no class and no recorded write time.
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0) {
        lpClass[0] = 0;
    }
    if (lpcchClass != nullptr) {
        *lpcchClass = 0;
    }
    if (lpftLastWriteTime != nullptr) {
        *lpftLastWriteTime = FILETIME{0, 0};
    }
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                      LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&](RegistryStore& store) {
        return store.EnumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                               lpcbData);
    });
}

LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    return Guarded([&](RegistryStore& store) { return store.DeleteValue(hKey, lpValueName); });
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    return Guarded([&](RegistryStore& store) { return store.DeleteKey(hKey, lpSubKey); });
}

LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    return Guarded([&](RegistryStore& store) { return store.DeleteTree(hKey, lpSubKey); });
}

} // extern "C"
