// One registry value that registration writes: always a REG_SZ string.
#pragma once

#include "platform/Platform.h"

struct RegistryEntry {
    HKEY RootKey;
    LPCWSTR KeyPath;   // relative to RootKey
    LPCWSTR ValueName; // null for the key's default value
    LPCWSTR Data;      // null-terminated
};
