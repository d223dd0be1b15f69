// SPDX-License-Identifier: LGPL-3.0-or-later
// Turns the paths on the command line into the list of books to dump: files as given,
// folders walked recursively in name order.
#pragma once

#include "tools/common/BookExtension.h"

#include <string>
#include <vector>

struct BookPath {
    std::string Path;
    // Set when a folder could not be read: the entry is reported as a failure.
    bool Unreadable = false;
};

class BookFinder {
public:
    // `allFiles` takes every regular file of a folder, not only books.
    explicit BookFinder(bool allFiles) : AllFiles(allFiles) {}

    // Adds `path`: itself when it is not a folder (a missing file is left for the open to
    // report), otherwise the books below it.
    void Add(const std::string& path);

    // Whether a folder was given.
    bool SawFolder() const { return FolderSeen; }

    // The folders given that hold no book (no file at all, with `allFiles`).
    const std::vector<std::string>& EmptyFolders() const { return Empty; }

    const std::vector<BookPath>& Books() const { return Found; }

private:
    void Walk(const std::string& folder, unsigned depth);

    bool AllFiles;
    bool FolderSeen = false;
    std::vector<BookPath> Found;
    std::vector<std::string> Empty;
};

// Whether `path` names a folder.
bool IsFolder(const std::string& path);
