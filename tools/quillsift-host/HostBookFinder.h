// SPDX-License-Identifier: LGPL-3.0-or-later
// Turns the paths on quillsift-host's command line into the list of books to dump, as
// quillsift-dump does: files as given, folders walked recursively in name order (the order of
// their UTF-8 bytes) for the Kindle books among their files (HasBookExtension).
#pragma once

#include "platform/Platform.h"

#include <vector>

struct HostBookPath {
    // Zero-terminated.
    std::vector<WCHAR> Path;
    // Set when a folder could not be read: the entry is reported as a failure.
    bool Unreadable = false;
};

class HostBookFinder {
public:
    // Adds `path`: itself when it is not a folder (a missing file is left for the open to
    // report), otherwise the books below it.
    void Add(const WCHAR* path);

    bool SawFolder() const { return FolderSeen; }
    const std::vector<HostBookPath>& Books() const { return Found; }
    // The folders given that hold no book, as given.
    const std::vector<const WCHAR*>& EmptyFolders() const { return Empty; }

private:
    void Walk(const std::vector<WCHAR>& folder, unsigned depth);

    bool FolderSeen = false;
    std::vector<HostBookPath> Found;
    std::vector<const WCHAR*> Empty;
};

// Whether `path` names a folder.
bool IsFolderPath(const WCHAR* path);
