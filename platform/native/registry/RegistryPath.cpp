// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/native/registry/RegistryPath.h"

std::u16string FoldRegistryName(const std::u16string& name) {
    std::u16string folded = name;
    for (char16_t& c : folded) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return folded;
}

LSTATUS SplitRegistryPath(LPCWSTR path, std::vector<std::u16string>* names) {
    names->clear();
    if (path == nullptr || path[0] == 0) {
        return ERROR_SUCCESS;
    }
    if (path[0] == u'\\') {
        return ERROR_BAD_PATHNAME;
    }
    std::u16string current;
    const WCHAR* at = path;
    for (;; ++at) {
        if (*at != u'\\' && *at != 0) {
            current.push_back(*at);
            continue;
        }
        if (current.empty()) {
            // At the end this follows a backslash that closed a name: one trailing backslash.
            return *at == 0 ? ERROR_SUCCESS : ERROR_BAD_PATHNAME;
        }
        if (current.size() > MaxKeyNameLength) {
            return ERROR_INVALID_PARAMETER;
        }
        names->push_back(current);
        current.clear();
        if (*at == 0) {
            return ERROR_SUCCESS;
        }
    }
}
