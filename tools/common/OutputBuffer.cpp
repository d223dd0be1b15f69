// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/OutputBuffer.h"

#include <algorithm>
#include <cstring>

OutputBuffer::OutputBuffer(ByteSink* sink, size_t capacity)
    : Data(new char[std::max(capacity, 2 * MaxReserve)]),
      Capacity(std::max(capacity, 2 * MaxReserve)), Sink(sink) {}

void OutputBuffer::Append(const char* data, size_t size) {
    if (size <= Capacity - Used) {
        std::memcpy(Data.get() + Used, data, size);
        Used += size;
        return;
    }
    Flush();
    if (size <= Capacity) {
        std::memcpy(Data.get(), data, size);
        Used = size;
    } else if (!Failure && (Sink == nullptr || !Sink->Write(data, size))) {
        Failure = true;
    }
}

bool OutputBuffer::Flush() {
    // Emptied first: a sink that throws (out of memory) takes what was buffered with it,
    // instead of leaving it for the next book. After a failure the buffer keeps taking output
    // and drops it.
    const size_t used = Used;
    Used = 0;
    if (used != 0 && !Failure && (Sink == nullptr || !Sink->Write(Data.get(), used))) {
        Failure = true;
    }
    return !Failure;
}
