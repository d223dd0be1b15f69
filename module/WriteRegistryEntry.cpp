#include "module/WriteRegistryEntry.h"

#include "platform/RegistryKey.h"
#include "platform/Utf16Length.h"

HRESULT WriteRegistryEntry(const RegistryEntry& entry) {
    HKEY opened = nullptr;
    const LONG created =
        RegCreateKeyExW(entry.RootKey, entry.KeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    if (created != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(created);
    }
    const RegistryKey key(opened);
    // The terminating null is stored with the string. (Not counted with char_traits: in the
    // winelib build WCHAR is a 16-bit wchar_t, which the C library measures in 32-bit units.)
    const DWORD byteCount = static_cast<DWORD>((Utf16Length(entry.Data) + 1) * sizeof(WCHAR));
    const LONG set = RegSetValueExW(key.Get(), entry.ValueName, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(entry.Data), byteCount);
    return HRESULT_FROM_WIN32(set);
}
