// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/native/registry/RegistryStore.h"

#include "platform/native/registry/RegistryPath.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

std::u16string NameOrEmpty(LPCWSTR name) {
    return name == nullptr ? std::u16string() : std::u16string(name);
}

void MarkDeleted(RegistryNode& node) {
    for (auto& child : node.Subkeys) {
        MarkDeleted(*child.second);
    }
    node.Subkeys.clear();
    node.Values.clear();
    node.Parent = nullptr;
    node.Deleted = true;
}

// Deletes a key that is not a root: marks it and takes it from its parent.
void RemoveKey(RegistryNode& node) {
    RegistryNode* const above = node.Parent;
    const std::u16string folded = FoldRegistryName(node.Name);
    MarkDeleted(node);
    above->Subkeys.erase(folded);
}

// Copies `text` and its terminator into a buffer of *length units; on success *length is the
// number of characters copied, without the terminator.
LSTATUS CopyName(const std::u16string& text, LPWSTR buffer, DWORD* length) {
    if (buffer == nullptr || length == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (text.size() + 1 > *length) {
        return ERROR_MORE_DATA;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    *length = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
}

// RegQueryValueExW's data contract: with no buffer only the size is reported; a buffer that is
// too small gives ERROR_MORE_DATA and the size needed.
LSTATUS CopyData(const RegistryValue& value, DWORD* type, BYTE* data, DWORD* size) {
    if (data != nullptr && size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (type != nullptr) {
        *type = value.Type;
    }
    if (size == nullptr) {
        return ERROR_SUCCESS;
    }
    const DWORD needed = static_cast<DWORD>(value.Data.size());
    const DWORD capacity = *size;
    *size = needed;
    if (data == nullptr) {
        return ERROR_SUCCESS;
    }
    if (needed > capacity) {
        return ERROR_MORE_DATA;
    }
    if (needed > 0) {
        std::memcpy(data, value.Data.data(), needed);
    }
    return ERROR_SUCCESS;
}

RegistryValue* FindValue(RegistryNode& node, const std::u16string& name) {
    const std::u16string folded = FoldRegistryName(name);
    for (RegistryValue& value : node.Values) {
        if (FoldRegistryName(value.Name) == folded) {
            return &value;
        }
    }
    return nullptr;
}

} // namespace

RegistryStore& RegistryStore::Instance() {
    static RegistryStore store;
    return store;
}

RegistryStore::RegistryStore() : LocalMachine(std::make_shared<RegistryNode>()) {
    LocalMachine->Name = u"HKEY_LOCAL_MACHINE";
}

LSTATUS RegistryStore::Resolve(HKEY key, REGSAM needed, Handle* handle) const {
    if (key == HKEY_LOCAL_MACHINE) {
        handle->Node = LocalMachine;
        handle->Access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    const auto found = Handles.find(reinterpret_cast<uintptr_t>(key));
    if (found == Handles.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (found->second.Node->Deleted) {
        return ERROR_KEY_DELETED;
    }
    if ((found->second.Access & needed) != needed) {
        return ERROR_ACCESS_DENIED;
    }
    *handle = found->second;
    return ERROR_SUCCESS;
}

std::shared_ptr<RegistryNode> RegistryStore::FindChild(const RegistryNode& node,
                                                       const std::u16string& name) const {
    const auto found = node.Subkeys.find(FoldRegistryName(name));
    return found == node.Subkeys.end() ? nullptr : found->second;
}

bool RegistryStore::IsDenied(const RegistryNode& node,
                             const std::vector<std::u16string>& below) const {
    if (Denials.empty()) {
        return false;
    }
    std::vector<std::u16string> path;
    const RegistryNode* root = &node;
    for (; root->Parent != nullptr; root = root->Parent) {
        path.insert(path.begin(), FoldRegistryName(root->Name));
    }
    for (const std::u16string& name : below) {
        path.push_back(FoldRegistryName(name));
    }
    for (const Denial& denial : Denials) {
        if (denial.Root == root && denial.Path.size() <= path.size() &&
            std::equal(denial.Path.begin(), denial.Path.end(), path.begin())) {
            return true;
        }
    }
    return false;
}

HKEY RegistryStore::AddHandle(std::shared_ptr<RegistryNode> node, REGSAM access) {
    const uintptr_t id = NextHandle;
    Handles[id] = Handle{std::move(node), access & static_cast<REGSAM>(KEY_ALL_ACCESS)};
    NextHandle += 4;
    return reinterpret_cast<HKEY>(id);
}

LSTATUS RegistryStore::CreateKey(HKEY parent, LPCWSTR path, REGSAM access, HKEY* result,
                                 DWORD* disposition) {
    std::lock_guard<std::mutex> guard(Lock);
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    Handle start;
    LSTATUS status = Resolve(parent, 0, &start);
    std::vector<std::u16string> names;
    if (status == ERROR_SUCCESS) {
        status = SplitRegistryPath(path, &names);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (IsDenied(*start.Node, names)) {
        return ERROR_ACCESS_DENIED;
    }
    // Find how much of the path exists before creating anything.
    std::shared_ptr<RegistryNode> node = start.Node;
    size_t existing = 0;
    for (; existing < names.size(); ++existing) {
        std::shared_ptr<RegistryNode> child = FindChild(*node, names[existing]);
        if (child == nullptr) {
            break;
        }
        node = std::move(child);
    }
    if (existing < names.size() && (start.Access & KEY_CREATE_SUB_KEY) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    for (size_t i = existing; i < names.size(); ++i) {
        auto child = std::make_shared<RegistryNode>();
        child->Name = names[i];
        child->Parent = node.get();
        node->Subkeys[FoldRegistryName(names[i])] = child;
        node = std::move(child);
    }
    *result = AddHandle(std::move(node), access);
    if (disposition != nullptr) {
        *disposition = existing < names.size() ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::FindKey(HKEY parent, LPCWSTR path, Handle* start,
                               std::vector<std::u16string>* names,
                               std::shared_ptr<RegistryNode>* node) const {
    LSTATUS status = Resolve(parent, 0, start);
    if (status == ERROR_SUCCESS) {
        status = SplitRegistryPath(path, names);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    *node = start->Node;
    for (const std::u16string& name : *names) {
        *node = FindChild(**node, name);
        if (*node == nullptr) {
            return ERROR_FILE_NOT_FOUND;
        }
    }
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::FindReachableKey(HKEY parent, LPCWSTR path,
                                        std::shared_ptr<RegistryNode>* node) {
    Handle start;
    std::vector<std::u16string> names;
    const LSTATUS status = FindKey(parent, path, &start, &names, node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return IsDenied(*start.Node, names) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

LSTATUS RegistryStore::OpenKey(HKEY parent, LPCWSTR path, REGSAM access, HKEY* result) {
    std::lock_guard<std::mutex> guard(Lock);
    std::shared_ptr<RegistryNode> node;
    const LSTATUS status =
        result == nullptr ? ERROR_INVALID_PARAMETER : FindReachableKey(parent, path, &node);
    if (status == ERROR_SUCCESS) {
        *result = AddHandle(std::move(node), access);
    }
    return status;
}

LSTATUS RegistryStore::CloseKey(HKEY key) {
    std::lock_guard<std::mutex> guard(Lock);
    if (key == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    return Handles.erase(reinterpret_cast<uintptr_t>(key)) == 1 ? ERROR_SUCCESS
                                                                : ERROR_INVALID_HANDLE;
}

LSTATUS RegistryStore::DeleteKey(HKEY parent, LPCWSTR path) {
    std::lock_guard<std::mutex> guard(Lock);
    if (path == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::shared_ptr<RegistryNode> node;
    const LSTATUS status = FindReachableKey(parent, path, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // A root cannot go, nor one that still has subkeys.
    if (node->Parent == nullptr || !node->Subkeys.empty()) {
        return ERROR_ACCESS_DENIED;
    }
    RemoveKey(*node);
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::DeleteSubkeys(RegistryNode& node) {
    // Always the first subkey, as a walk by enumeration index 0 takes them.
    while (!node.Subkeys.empty()) {
        RegistryNode& child = *node.Subkeys.begin()->second;
        if (IsDenied(child, {})) {
            return ERROR_ACCESS_DENIED;
        }
        const LSTATUS status = DeleteSubkeys(child);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        RemoveKey(child);
    }
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::DeleteTree(HKEY parent, LPCWSTR path) {
    std::lock_guard<std::mutex> guard(Lock);
    std::shared_ptr<RegistryNode> node;
    LSTATUS status = FindReachableKey(parent, path, &node);
    if (status == ERROR_SUCCESS) {
        status = DeleteSubkeys(*node);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (path == nullptr || path[0] == 0) {
        node->Values.clear();
        return ERROR_SUCCESS;
    }
    // A root cannot go.
    if (node->Parent == nullptr) {
        return ERROR_ACCESS_DENIED;
    }
    RemoveKey(*node);
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::EnumKey(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength) {
    std::lock_guard<std::mutex> guard(Lock);
    Handle handle;
    const LSTATUS status = Resolve(key, KEY_ENUMERATE_SUB_KEYS, &handle);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (index >= handle.Node->Subkeys.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    return CopyName(std::next(handle.Node->Subkeys.begin(), index)->second->Name, name, nameLength);
}

LSTATUS RegistryStore::SetValue(HKEY key, LPCWSTR name, DWORD type, const BYTE* data, DWORD size) {
    std::lock_guard<std::mutex> guard(Lock);
    Handle handle;
    const LSTATUS status = Resolve(key, KEY_SET_VALUE, &handle);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (data == nullptr && size > 0) {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<BYTE> bytes(data, data + size);
    if (RegistryValue* value = FindValue(*handle.Node, NameOrEmpty(name))) {
        value->Type = type;
        value->Data = std::move(bytes);
    } else {
        handle.Node->Values.push_back(RegistryValue{NameOrEmpty(name), type, std::move(bytes)});
    }
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::DeleteValue(HKEY key, LPCWSTR name) {
    std::lock_guard<std::mutex> guard(Lock);
    Handle handle;
    const LSTATUS status = Resolve(key, KEY_SET_VALUE, &handle);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::vector<RegistryValue>& values = handle.Node->Values;
    const std::u16string folded = FoldRegistryName(NameOrEmpty(name));
    for (auto value = values.begin(); value != values.end(); ++value) {
        if (FoldRegistryName(value->Name) == folded) {
            values.erase(value);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegistryStore::QueryValue(HKEY key, LPCWSTR name, DWORD* type, BYTE* data, DWORD* size) {
    std::lock_guard<std::mutex> guard(Lock);
    Handle handle;
    const LSTATUS status = Resolve(key, KEY_QUERY_VALUE, &handle);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const RegistryValue* value = FindValue(*handle.Node, NameOrEmpty(name));
    if (value == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    return CopyData(*value, type, data, size);
}

LSTATUS RegistryStore::EnumValue(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* type,
                                 BYTE* data, DWORD* size) {
    std::lock_guard<std::mutex> guard(Lock);
    Handle handle;
    LSTATUS status = Resolve(key, KEY_QUERY_VALUE, &handle);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (index >= handle.Node->Values.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const RegistryValue& value = handle.Node->Values[index];
    status = CopyName(value.Name, name, nameLength);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return CopyData(value, type, data, size);
}

void RegistryStore::Reset() {
    std::lock_guard<std::mutex> guard(Lock);
    for (auto& child : LocalMachine->Subkeys) {
        MarkDeleted(*child.second);
    }
    LocalMachine->Subkeys.clear();
    LocalMachine->Values.clear();
    Denials.clear();
}

void RegistryStore::DenyAccess(HKEY root, LPCWSTR path) {
    std::lock_guard<std::mutex> guard(Lock);
    Handle handle;
    std::vector<std::u16string> names;
    if (Resolve(root, 0, &handle) != ERROR_SUCCESS || handle.Node->Parent != nullptr ||
        SplitRegistryPath(path, &names) != ERROR_SUCCESS) {
        return;
    }
    for (std::u16string& name : names) {
        name = FoldRegistryName(name);
    }
    Denials.push_back(Denial{handle.Node.get(), std::move(names)});
}

LONG RegistryStore::OpenHandleCount() {
    std::lock_guard<std::mutex> guard(Lock);
    return static_cast<LONG>(Handles.size());
}
