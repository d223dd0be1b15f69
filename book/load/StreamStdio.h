// SPDX-License-Identifier: LGPL-3.0-or-later
// The three C library calls with which libmobi reads a book, served from an IStream.
#pragma once

#include "book/load/StdioSource.h"
#include "platform/Platform.h"

#include <cstddef>

// Each call becomes one call on the stream (a read of no bytes, none), and the stream keeps the
// position: nothing is read ahead, nothing else of the stream is used (never Stat, never a
// write). Borrows the stream.
class StreamStdio final : public StdioSource {
public:
    explicit StreamStdio(IStream* stream) : Stream(stream) {}

    // Learns where the stream ends, before a load: a Seek to the end, which delivers the
    // length, and one back to the start. Reads are then never asked beyond the end: a corrupt
    // record table can make libmobi ask for a read of about 4 GiB, and a host's stream may
    // touch every page of a buffer that large. A stream that delivers no length is read as
    // asked.
    void MeasureEnd();
    // Where the stream ends, once MeasureEnd has learnt it; false when it delivered no length.
    bool EndKnown() const { return End != Unknown; }
    ULONGLONG EndPosition() const { return End; }
    // fread: one Read of size * count bytes into `buffer`, or of what remains before the
    // stream's end when that is less (nothing when nothing remains); the number of whole
    // elements the stream reports delivered. Its HRESULT is not looked at: only the count tells.
    size_t Read(void* buffer, size_t size, size_t count) override;
    // fseek: one Seek; 0 when the stream moved, -1 when it answered a failure.
    int Seek(long offset, int origin) override;
    // ftell: one Seek of 0 from the current position; the low 32 bits of the position it
    // delivers, 0 when it delivers none.
    long Tell() override;

private:
    // Seeks and notes the position the stream delivers (none: unknown).
    HRESULT SeekAndNote(LONGLONG move, DWORD origin, ULONGLONG* position);

    IStream* Stream;
    // Where the stream stands and where it ends, as far as it has told.
    static constexpr ULONGLONG Unknown = ~0ull;
    ULONGLONG Position = Unknown;
    ULONGLONG End = Unknown;
};
