// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/BookFinder.h"

#include "tools/quillsift-dump/PosixHolders.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// Symbolic links to folders are not followed, so a walk cannot loop; this bounds the rest.
const unsigned MaxDepth = 64;

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

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
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

void BookFinder::Add(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        FolderSeen = true;
        Walk(path, 0);
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
