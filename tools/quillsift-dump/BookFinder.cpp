// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/BookFinder.h"

#include "tools/quillsift-dump/PosixHolders.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// Symbolic links to folders are not followed, so a walk cannot loop; this bounds the rest.
const unsigned MaxDepth = 64;

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

bool IsFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void BookFinder::Add(const std::string& path) {
    if (IsFolder(path)) {
        FolderSeen = true;
        const size_t before = Found.size();
        Walk(path, 0);
        if (Found.size() == before) {
            Empty.push_back(path);
        }
        return;
    }
    Found.push_back({path, false});
}

void BookFinder::Walk(const std::string& folder, unsigned depth) {
    OpenFolder directory(depth <= MaxDepth ? ::opendir(folder.c_str()) : nullptr);
    if (!directory) {
        Found.push_back({folder, true});
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(directory.Get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    // Closed before the walk goes deeper: one open folder at a time.
    directory.Reset();
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        const std::string path = Join(folder, name);
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            Walk(path, depth + 1);
            continue;
        }
        // A link is taken when it leads to a regular file.
        if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISREG(info.st_mode) && (AllFiles || HasBookExtension(name))) {
            Found.push_back({path, false});
        }
    }
}
