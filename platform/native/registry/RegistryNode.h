// SPDX-License-Identifier: LGPL-3.0-or-later
// One key of the in-memory registry: its name as created, its values in the order they were
// first set, and its subkeys ordered by folded name, as a hive keeps them.
#pragma once

#include "platform/native/registry/Advapi32.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct RegistryValue {
    std::u16string Name; // empty for the default value
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
};

struct RegistryNode {
    std::u16string Name;
    RegistryNode* Parent = nullptr; // null for a root and for a deleted key
    bool Deleted = false;
    std::vector<RegistryValue> Values;
    std::map<std::u16string, std::shared_ptr<RegistryNode>> Subkeys; // by folded name
};
