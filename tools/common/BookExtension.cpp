// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/BookExtension.h"

namespace {

bool EndsWithIgnoringCase(const std::string& name, const char* suffix) {
    const std::string tail(suffix);
    if (name.size() < tail.size()) {
        return false;
    }
    const size_t start = name.size() - tail.size();
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = name[start + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != tail[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool HasBookExtension(const std::string& name) {
    for (const char* extension : {".mobi", ".azw", ".azw3", ".prc"}) {
        if (EndsWithIgnoringCase(name, extension)) {
            return true;
        }
    }
    return false;
}
