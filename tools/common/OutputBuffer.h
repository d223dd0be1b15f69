// SPDX-License-Identifier: LGPL-3.0-or-later
// A fixed buffer in front of a ByteSink: the output formats append small pieces, the sink
// receives them in blocks. Once a write has failed everything later is dropped, so that a
// writer can go on without checking every append and look at Failed() when it suits it.
#pragma once

#include "tools/common/ByteSink.h"

#include <cstddef>
#include <memory>
#include <string>

class OutputBuffer {
public:
    static constexpr size_t DefaultCapacity = 64 * 1024;

    explicit OutputBuffer(ByteSink* sink, size_t capacity = DefaultCapacity);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Later output goes to `sink`; flush first to send what is buffered to the old one.
    void SetSink(ByteSink* sink) { Sink = sink; }

    void Append(const char* data, size_t size);
    void Append(const std::string& text) { Append(text.data(), text.size()); }
    void Append(const char* text) { Append(text, std::char_traits<char>::length(text)); }
    void Append(char c) {
        if (Used == Capacity) {
            Flush();
        }
        Data[Used++] = c;
    }

    // Room for at least `size` bytes (at most MaxReserve), written in place and handed back
    // with Commit(the end of what was written).
    static constexpr size_t MaxReserve = 32 * 1024;
    char* Reserve(size_t size) {
        if (Capacity - Used < size) {
            Flush();
        }
        return Data.get() + Used;
    }
    void Commit(const char* end) { Used = static_cast<size_t>(end - Data.get()); }

    // Sends what is buffered to the sink; false when that or an earlier write failed.
    bool Flush();

    bool Failed() const { return Failure; }

private:
    std::unique_ptr<char[]> Data;
    size_t Capacity;
    size_t Used = 0;
    ByteSink* Sink;
    bool Failure = false;
};
