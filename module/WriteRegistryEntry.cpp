#include "module/WriteRegistryEntry.h"

#include "platform/RegistryKey.h"

HRESULT WriteRegistryEntry(const RegistryEntry& entry) {
    HKEY opened = nullptr;
    const LONG created =
        RegCreateKeyExW(entry.RootKey, entry.KeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    if (created != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(created);
    }
    const RegistryKey key(opened);
    // The terminating null is stored with the string.
    // Counted here rather than with char_traits: in the winelib build WCHAR is a 16-bit
    // wchar_t, and char_traits<wchar_t> would call the C library's 32-bit wcslen.
    size_t characters = 0;
    while (entry.Data[characters] != 0) {
        ++characters;
    }
    const DWORD byteCount = static_cast<DWORD>((characters + 1) * sizeof(WCHAR));
    const LONG set = RegSetValueExW(key.Get(), entry.ValueName, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(entry.Data), byteCount);
    return HRESULT_FROM_WIN32(set);
}
