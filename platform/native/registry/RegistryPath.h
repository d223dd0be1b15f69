// SPDX-License-Identifier: LGPL-3.0-or-later
// Key names and paths of the in-memory registry: comparison ignores the case of ASCII letters,
// and a path is a list of names separated by backslashes.
#pragma once

#include "platform/native/registry/Advapi32.h"

#include <string>
#include <vector>

// The longest name a key may have, in characters.
constexpr size_t MaxKeyNameLength = 255;

// The form under which a name is compared: ASCII letters in upper case.
std::u16string FoldRegistryName(const std::u16string& name);

// Splits `path` into its names, as written. A null or empty path gives no names. A path that starts
// with a backslash or holds an empty name gives ERROR_BAD_PATHNAME; a name longer than 255
// characters gives ERROR_INVALID_PARAMETER. One trailing backslash is ignored.
LSTATUS SplitRegistryPath(LPCWSTR path, std::vector<std::u16string>* names);
