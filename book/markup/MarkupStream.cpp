// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/MarkupStream.h"

#include "platform/AllocationFailures.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t PendingCapacity = MarkupMostCarried + MarkupStream::MaxFeed;

} // namespace

MarkupStream::MarkupStream() : Builder(nullptr) {}

bool MarkupStream::Init() {
    Pending.reset(NewArray<char>(PendingCapacity));
    return Pending != nullptr;
}

void MarkupStream::Begin(WCHAR* out) {
    PendingLength = 0;
    PendingWithoutZero = 0;
    State = MarkupScanState();
    Builder.StartOver(out);
    ZeroReached = false;
}

void MarkupStream::Feed(const char* bytes, size_t length) {
    std::memcpy(Pending.get() + PendingLength, bytes, length);
    PendingLength += length;
    Scan(false);
}

void MarkupStream::End(uint64_t partSize) {
    Scan(true);
    // Past a zero byte the part's text has ended already.
    if (!ZeroReached) {
        EndPartText(Builder, partSize);
    }
    Builder.Flush();
}

void MarkupStream::Scan(bool partEnds) {
    char* begin = Pending.get();
    const char* end = begin + PendingLength;
    const auto* zero = static_cast<const char*>(
        std::memchr(begin + PendingWithoutZero, 0, PendingLength - PendingWithoutZero));
    const char* stop = ScanMarkup(begin, end, zero, partEnds, State, Builder);
    // Every zero byte the scan passes is written as a unit: no tag or entity holds one.
    ZeroReached = ZeroReached || (zero != nullptr && zero < stop);
    PendingLength = static_cast<size_t>(end - stop);
    PendingWithoutZero = zero == nullptr ? PendingLength
                         : zero > stop   ? static_cast<size_t>(zero - stop)
                                         : 0;
    // A tag that waits for its '>' stays where it is, stretch after stretch.
    if (stop != begin) {
        std::memmove(begin, stop, PendingLength);
    }
}
