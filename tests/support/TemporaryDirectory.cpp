// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/TemporaryDirectory.h"

#include <cstdlib>
#include <string>
#include <system_error>

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillsift-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        Root = pattern;
    }
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    if (!Root.empty()) {
        std::filesystem::remove_all(Root, ignored);
    }
}
