// SPDX-License-Identifier: LGPL-3.0-or-later
// What serves libmobi's fread, fseek and ftell during a load.
#pragma once

#include <cstddef>

// The wrapped calls reach the source of the load running on this thread (LoadBookFromSource):
// the stream itself (StreamStdio), or a view of the book that holds only the records a reader
// needs (RecordView).
class StdioSource {
public:
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    virtual int Seek(long offset, int origin) = 0;
    virtual long Tell() = 0;

protected:
    ~StdioSource() = default;
};
