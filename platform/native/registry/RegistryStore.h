// SPDX-License-Identifier: LGPL-3.0-or-later
// The registry of the process, held in memory: the tree of the predefined root, the open key
// handles and, for tests, the key paths to which access is denied. Every operation takes one
// lock, so any thread may call in.
#pragma once

#include "platform/native/registry/RegistryNode.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class RegistryStore {
public:
    static RegistryStore& Instance();

    LSTATUS CreateKey(HKEY parent, LPCWSTR path, REGSAM access, HKEY* result, DWORD* disposition);
    LSTATUS OpenKey(HKEY parent, LPCWSTR path, REGSAM access, HKEY* result);
    LSTATUS CloseKey(HKEY key);
    LSTATUS DeleteKey(HKEY parent, LPCWSTR path);
    LSTATUS DeleteTree(HKEY parent, LPCWSTR path);
    LSTATUS EnumKey(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength);

    LSTATUS SetValue(HKEY key, LPCWSTR name, DWORD type, const BYTE* data, DWORD size);
    LSTATUS DeleteValue(HKEY key, LPCWSTR name);
    LSTATUS QueryValue(HKEY key, LPCWSTR name, DWORD* type, BYTE* data, DWORD* size);
    LSTATUS EnumValue(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* type,
                      BYTE* data, DWORD* size);

    void Reset();
    void DenyAccess(HKEY root, LPCWSTR path);
    LONG OpenHandleCount();

private:
    RegistryStore();

    struct Handle {
        std::shared_ptr<RegistryNode> Node;
        REGSAM Access = 0;
    };
    struct Denial {
        const RegistryNode* Root;
        std::vector<std::u16string> Path; // folded names
    };

    // The key behind `key`, if the handle is valid, its key not deleted and its access covers
    // `needed`. The predefined root has every access.
    LSTATUS Resolve(HKEY key, REGSAM needed, Handle* handle) const;
    // Finds the existing key at `path` below `parent`: ERROR_FILE_NOT_FOUND when any name on
    // the way is missing. `start` is the parent's handle and `names` the path's names.
    LSTATUS FindKey(HKEY parent, LPCWSTR path, Handle* start, std::vector<std::u16string>* names,
                    std::shared_ptr<RegistryNode>* node) const;
    std::shared_ptr<RegistryNode> FindChild(const RegistryNode& node,
                                            const std::u16string& name) const;
    bool IsDenied(const RegistryNode& node, const std::vector<std::u16string>& below) const;
    // The key at `path` under `parent`, when it is there and may be reached: FindKey, then
    // ERROR_ACCESS_DENIED for a denied key.
    LSTATUS FindReachableKey(HKEY parent, LPCWSTR path, std::shared_ptr<RegistryNode>* node);
    HKEY AddHandle(std::shared_ptr<RegistryNode> node, REGSAM access);
    // Deletes every subkey of `node`, deepest first; a denied one stops it with
    // ERROR_ACCESS_DENIED.
    LSTATUS DeleteSubkeys(RegistryNode& node);

    std::mutex Lock;
    std::shared_ptr<RegistryNode> LocalMachine;
    std::unordered_map<uintptr_t, Handle> Handles;
    uintptr_t NextHandle = 0x100;
    std::vector<Denial> Denials;
};
