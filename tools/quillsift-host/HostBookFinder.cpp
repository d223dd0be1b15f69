// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/HostBookFinder.h"

#include "platform/UniqueAny.h"
#include "tools/common/BookExtension.h"
#include "tools/common/Utf16ToUtf8.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// Links and junctions to folders are not followed, so a walk cannot loop; this bounds the rest.
const unsigned MaxDepth = 64;

// FindFirstFileW fails with INVALID_HANDLE_VALUE, which is held as null.
using FindHandle = UniqueAny<HANDLE, FindClose>;

// `folder`, a separator unless it ends in one, and `name`; zero-terminated.
std::vector<WCHAR> Join(const std::vector<WCHAR>& folder, const WCHAR* name) {
    std::vector<WCHAR> path(folder.begin(), folder.end() - 1);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') {
        path.push_back('\\');
    }
    for (const WCHAR* c = name; *c != 0; ++c) {
        path.push_back(*c);
    }
    path.push_back(0);
    return path;
}

// A name met in a folder: in UTF-8, which orders the names as quillsift-dump does; its path.
struct Entry {
    std::string Name;
    std::vector<WCHAR> Path;
    bool Folder;
};

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

bool IsFolderPath(const WCHAR* path) {
    return IsFolder(GetFileAttributesW(path));
}

void HostBookFinder::Add(const WCHAR* path) {
    std::vector<WCHAR> given;
    for (const WCHAR* c = path; *c != 0; ++c) {
        given.push_back(*c);
    }
    given.push_back(0);
    if (IsFolderPath(path)) {
        FolderSeen = true;
        const size_t before = Found.size();
        Walk(given, 0);
        if (Found.size() == before) {
            Empty.push_back(path);
        }
        return;
    }
    Found.push_back({std::move(given), false});
}

void HostBookFinder::Walk(const std::vector<WCHAR>& folder, unsigned depth) {
    WIN32_FIND_DATAW entry;
    const HANDLE first = depth <= MaxDepth ? FindFirstFileW(Join(folder, UTF16("*")).data(), &entry)
                                           : INVALID_HANDLE_VALUE;
    FindHandle search(first == INVALID_HANDLE_VALUE ? nullptr : first);
    if (!search) {
        Found.push_back({folder, true});
        return;
    }
    std::vector<Entry> entries;
    do {
        Entry found{ToUtf8(entry.cFileName), Join(folder, entry.cFileName),
                    IsFolder(entry.dwFileAttributes)};
        const bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (found.Name == "." || found.Name == ".." || (found.Folder && link) ||
            (!found.Folder && !HasBookExtension(found.Name))) {
            continue;
        }
        entries.push_back(std::move(found));
    } while (FindNextFileW(search.Get(), &entry));
    // Closed before the walk goes deeper: one open search at a time.
    search.Reset();
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.Name < b.Name; });
    for (Entry& found : entries) {
        if (found.Folder) {
            Walk(found.Path, depth + 1);
        } else {
            Found.push_back({std::move(found.Path), false});
        }
    }
}
