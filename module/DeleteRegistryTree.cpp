#include "module/DeleteRegistryTree.h"

#include "platform/RegistryKey.h"

namespace {

// The longest key name, 255 characters, and its terminator.
constexpr DWORD KeyNameCapacity = 256;

} // namespace

LONG DeleteRegistryTree(HKEY parent, LPCWSTR path) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(parent, path, 0, KEY_READ | KEY_WRITE, &opened);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    RegistryKey key(opened);
    // Always the first child: once deleted, the next one takes index 0. A child whose name
    // cannot be read ends the walk, and the key's own deletion then reports the failure.
    for (;;) {
        WCHAR childName[KeyNameCapacity];
        DWORD capacity = KeyNameCapacity;
        FILETIME lastWrite;
        if (RegEnumKeyExW(key.Get(), 0, childName, &capacity, nullptr, nullptr, nullptr,
                          &lastWrite) != ERROR_SUCCESS) {
            break;
        }
        const LONG deleted = DeleteRegistryTree(key.Get(), childName);
        if (deleted != ERROR_SUCCESS) {
            return deleted;
        }
    }
    key.Reset();
    return RegDeleteKeyW(parent, path);
}
