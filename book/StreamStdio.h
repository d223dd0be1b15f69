// The three C library calls with which libmobi reads a book, served from an IStream.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// Each call becomes one call on the stream (a read of no bytes, none), and the stream keeps the
// position: nothing is read ahead, nothing else of the stream is used (never Stat, never a
// write). Borrows the stream.
class StreamStdio {
public:
    explicit StreamStdio(IStream* stream) : Stream(stream) {}

    // fread: one Read of size * count bytes into `buffer`; the number of whole elements the
    // stream reports delivered. Its HRESULT is not looked at: only the count tells.
    size_t Read(void* buffer, size_t size, size_t count);
    // fseek: one Seek; 0 when the stream moved, -1 when it answered a failure.
    int Seek(long offset, int origin);
    // ftell: one Seek of 0 from the current position; the low 32 bits of the position it
    // delivers, 0 when it delivers none.
    long Tell();

private:
    IStream* Stream;
};
