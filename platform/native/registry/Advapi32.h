// SPDX-License-Identifier: LGPL-3.0-or-later
// The registry services of advapi32, for the native build. They are provided by a small shared
// library of their own (libquillsift_registry.so) that holds one registry in memory for the
// whole process, as advapi32 holds the one registry of a Windows process. Every module that
// links it sees the same keys.
#pragma once

#include "platform/native/WinTypes.h"

typedef LONG LSTATUS;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;
typedef FILETIME* PFILETIME;

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// The predefined root the system writes to, with the SDK's value. It is the only one here.
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x00000000L

#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#define SYNCHRONIZE 0x00100000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ                                                                                   \
    ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE)
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & ~SYNCHRONIZE)
#define KEY_ALL_ACCESS                                                                             \
    ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |                 \
      KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &                                     \
     ~SYNCHRONIZE)

#define ERROR_BAD_PATHNAME 161L
#define ERROR_KEY_DELETED 1018L

#define WINADVAPI __attribute__((visibility("default")))

// Key names are compared ignoring the case of ASCII letters and keep the case they were
// created with. A key name holds at most 255 characters. Values are kept as typed bytes.
// Deleting a key that still has subkeys fails with ERROR_ACCESS_DENIED, as on Windows;
// RegDeleteTreeW deletes a key with everything beneath it.
// A handle checks the access it was opened with: setting a value needs KEY_SET_VALUE,
// reading one KEY_QUERY_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS, creating beneath it
// KEY_CREATE_SUB_KEY. A handle whose key has been deleted answers ERROR_KEY_DELETED.
extern "C" {
WINADVAPI LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                  DWORD dwOptions, REGSAM samDesired,
                                  const LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                  LPDWORD lpdwDisposition);
WINADVAPI LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                PHKEY phkResult);
WINADVAPI LSTATUS RegCloseKey(HKEY hKey);
WINADVAPI LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                 const BYTE* lpData, DWORD cbData);
WINADVAPI LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved,
                                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINADVAPI LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                PFILETIME lpftLastWriteTime);
WINADVAPI LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                                LPDWORD lpcchValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData);
// Removes one value (null or empty: the default value); ERROR_FILE_NOT_FOUND when it is not
// there. Needs KEY_SET_VALUE.
WINADVAPI LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
WINADVAPI LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// Deletes the subkeys of `lpSubKey` deepest first, each in enumeration order, then the key
// itself; with a null or empty `lpSubKey`, the subkeys and values of hKey and not hKey. A key
// that cannot be deleted stops it with its error, and what was deleted before stays deleted.
WINADVAPI LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
}
