// The FILE is a glibc cookie stream, which both the native and the Wine builds have. The
// Windows C runtime has none: a build against a Windows libmobi goes through a temporary file
// instead, and this file is the only one that knows how either is done.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include "book/StreamFile.h"

#if defined(_WIN32) && !defined(__WINE__)
// The book is copied, block by block, into a temporary file that the runtime deletes when the
// FILE is closed ("D"), and libmobi reads that copy. The FILE still borrows the stream only
// while it is made.
#include <memory>
#include <new>

FILE* OpenStreamAsFile(IStream* stream) {
    WCHAR folder[MAX_PATH + 1];
    WCHAR path[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, UTF16("qsf"), 0, path) == 0) {
        return nullptr;
    }
    FILE* file = _wfopen(path, UTF16("w+bTD"));
    if (file == nullptr) {
        DeleteFileW(path);
        return nullptr;
    }
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[StreamFileBlockSize]);
    bool copied = block != nullptr;
    while (copied) {
        ULONG read = 0;
        // Only the count tells: a stream may answer S_FALSE, or even a failure, for a short read.
        stream->Read(block.get(), StreamFileBlockSize, &read);
        if (read == 0) {
            break;
        }
        const size_t count = read > StreamFileBlockSize ? StreamFileBlockSize : read;
        copied = std::fwrite(block.get(), 1, count, file) == count;
    }
    if (!copied || std::fflush(file) != 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

#else

#include <cstring>
#include <new>
#include <stdio.h>
#include <sys/types.h>

namespace {

// glibc calls a cookie's read function once per byte when the FILE is unbuffered, and
// re-reads its buffer at every seek when it is buffered. So the cookie keeps one block of the
// stream itself, and the stream is read once, block by block, as libmobi moves through it.
struct StreamCookie {
    IStream* Stream;
    uint64_t Position = 0;       // where the FILE stands
    uint64_t StreamPosition = 0; // where the stream stands; binding left it at its start
    uint64_t BlockStart = 0;
    ULONG BlockLength = 0;
    unsigned char Block[StreamFileBlockSize];
};

bool FillBlock(StreamCookie& cookie) {
    if (cookie.StreamPosition != cookie.Position) {
        LARGE_INTEGER move;
        move.QuadPart = static_cast<LONGLONG>(cookie.Position);
        if (FAILED(cookie.Stream->Seek(move, STREAM_SEEK_SET, nullptr))) {
            return false;
        }
        cookie.StreamPosition = cookie.Position;
    }
    ULONG read = 0;
    // Only the count tells: a stream may answer S_FALSE, or even a failure, for a short read.
    cookie.Stream->Read(cookie.Block, StreamFileBlockSize, &read);
    cookie.BlockStart = cookie.Position;
    cookie.BlockLength = read > StreamFileBlockSize ? StreamFileBlockSize : read;
    cookie.StreamPosition += cookie.BlockLength;
    return true;
}

ssize_t ReadFromStream(void* opaque, char* buffer, size_t size) {
    auto& cookie = *static_cast<StreamCookie*>(opaque);
    const bool inBlock = cookie.Position >= cookie.BlockStart &&
                         cookie.Position < cookie.BlockStart + cookie.BlockLength;
    if (!inBlock && !FillBlock(cookie)) {
        return -1;
    }
    const uint64_t offset = cookie.Position - cookie.BlockStart;
    const uint64_t available = cookie.BlockLength - offset;
    const size_t count = size < available ? size : static_cast<size_t>(available);
    std::memcpy(buffer, cookie.Block + offset, count);
    cookie.Position += count;
    return static_cast<ssize_t>(count);
}

int SeekInStream(void* opaque, off64_t* offset, int whence) {
    auto& cookie = *static_cast<StreamCookie*>(opaque);
    int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<int64_t>(cookie.Position);
    } else if (whence == SEEK_END) {
        // Only the stream knows its length.
        LARGE_INTEGER zero;
        zero.QuadPart = 0;
        ULARGE_INTEGER end;
        end.QuadPart = 0;
        if (FAILED(cookie.Stream->Seek(zero, STREAM_SEEK_END, &end))) {
            return -1;
        }
        cookie.StreamPosition = end.QuadPart;
        base = static_cast<int64_t>(end.QuadPart);
    } else if (whence != SEEK_SET) {
        return -1;
    }
    const int64_t target = base + *offset;
    if (target < 0) {
        return -1;
    }
    cookie.Position = static_cast<uint64_t>(target);
    *offset = target;
    return 0;
}

int CloseStreamFile(void* opaque) {
    delete static_cast<StreamCookie*>(opaque);
    return 0;
}

} // namespace

FILE* OpenStreamAsFile(IStream* stream) {
    auto* cookie = new (std::nothrow) StreamCookie();
    if (cookie == nullptr) {
        return nullptr;
    }
    cookie->Stream = stream;
    cookie_io_functions_t functions{};
    functions.read = ReadFromStream;
    functions.write = nullptr;
    functions.seek = SeekInStream;
    functions.close = CloseStreamFile;
    FILE* file = fopencookie(cookie, "rb", functions);
    if (file == nullptr) {
        delete cookie;
    }
    return file;
}

#endif
