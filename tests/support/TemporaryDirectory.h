// SPDX-License-Identifier: LGPL-3.0-or-later
// A directory of its own under the system's temporary directory, removed with its contents.
#pragma once

#include <filesystem>

class TemporaryDirectory {
public:
    TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    ~TemporaryDirectory();

    const std::filesystem::path& Path() const { return Root; }

private:
    std::filesystem::path Root;
};
