// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/SpillBuffer.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

const size_t CopyBlock = 64 * 1024;

} // namespace

bool SpillBuffer::Fail(const char* what) {
    ErrorText = std::string(what) + ": " + std::strerror(errno != 0 ? errno : EIO);
    return false;
}

bool SpillBuffer::Append(const char* data, size_t size) {
    if (!File && size <= MemoryLimit - Memory.size()) {
        Memory.append(data, size);
        return true;
    }
    errno = 0;
    if (!File) {
        File.Reset(std::tmpfile());
        if (!File) {
            return Fail("cannot make a temporary file");
        }
        if (std::fwrite(Memory.data(), 1, Memory.size(), File.Get()) != Memory.size()) {
            return Fail("cannot write a temporary file");
        }
        Memory.clear();
    }
    if (std::fwrite(data, 1, size, File.Get()) != size) {
        return Fail("cannot write a temporary file");
    }
    return true;
}

bool SpillBuffer::CopyTo(ByteSink& sink) {
    if (!File) {
        return Memory.empty() || sink.Write(Memory.data(), Memory.size());
    }
    errno = 0;
    if (std::fflush(File.Get()) != 0 || std::fseek(File.Get(), 0, SEEK_SET) != 0) {
        return Fail("cannot read a temporary file back");
    }
    std::vector<char> block(CopyBlock);
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), File.Get());
        if (got != 0 && !sink.Write(block.data(), got)) {
            return false;
        }
        if (got < block.size()) {
            return std::ferror(File.Get()) == 0 || Fail("cannot read a temporary file back");
        }
    }
}

void SpillBuffer::Clear() {
    File.Reset();
    Memory.clear();
}
