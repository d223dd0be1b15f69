// SPDX-License-Identifier: LGPL-3.0-or-later
// The output of a book that must wait for the books before it: kept in memory up to a limit,
// and past it in an anonymous temporary file (tmpfile()), so that a large book waiting its
// turn costs disk, not memory.
#pragma once

#include "tools/common/ByteSink.h"
#include "tools/quillsift-dump/PosixHolders.h"

#include <string>

class SpillBuffer {
public:
    explicit SpillBuffer(size_t memoryLimit) : MemoryLimit(memoryLimit) {}
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;

    // False when the temporary file cannot be made or written; Error() says why.
    bool Append(const char* data, size_t size);

    // Writes everything appended, in order, to `sink`; false when reading the temporary file
    // back or writing to `sink` failed.
    bool CopyTo(ByteSink& sink);

    // Forgets the content and closes the temporary file, which deletes it.
    void Clear();

    bool Empty() const { return !File && Memory.empty(); }
    bool Spilled() const { return static_cast<bool>(File); }
    std::string Error() const { return ErrorText; }

private:
    bool Fail(const char* what);

    size_t MemoryLimit;
    std::string Memory;
    CFile File;
    std::string ErrorText;
};
