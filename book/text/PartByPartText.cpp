// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/PartByPartText.h"

#include "book/text/LibmobiInternals.h"
#include "platform/AllocationFailures.h"
#include "platform/text/Utf16Length.h"

#include <cstring>

namespace {

// A cp1252 book's markup goes to the stream in stretches whose UTF-8 fits one Feed: libmobi's
// conversion makes at most three bytes of one.
constexpr size_t Cp1252Stretch = MarkupStream::MaxFeed / 3;

} // namespace

MOBI_RET PartByPartText::Open(const MOBIData* book, BookRecords& records) {
    Records = &records;
    const MOBI_RET opened = Decoder.Open(book, records);
    if (opened != MOBI_SUCCESS) {
        return opened;
    }
    Cp1252 = mobi_is_cp1252(book);
    // Room for a stretch's units after the longest tag that waits for its '>', and, while none
    // waits, for two stretches'.
    UnitCapacity = MarkupStream::RoomForFeed(MarkupStream::MaxFeed);
    Units.reset(NewArray<WCHAR>(UnitCapacity));
    Staging.reset(NewArray<char>(MarkupStream::MaxFeed + 1));
    const uint64_t longest = Index.LongestPart();
    const size_t stretch =
        longest > MarkupStream::MaxFeed ? static_cast<size_t>(longest) : MarkupStream::MaxFeed;
    if (!Units || !Staging || !Stream.Init() || !Window.Init(Decoder, stretch) || !MakeBuffers()) {
        return MOBI_MALLOC_FAILED;
    }
    ReadToItsEnd = TextReadToItsEnd(book, records.Count(), records.Condition().Kf7Half);
    PartDone = true;
    TextEnded = false;
    return MOBI_SUCCESS;
}

TextOutcome PartByPartText::Outcome() const {
    return Decoder.Failed() ? TextOutcome::Damaged : ReadToItsEnd;
}

size_t PartByPartText::Stretch() const {
    return Cp1252 ? Cp1252Stretch : MarkupStream::MaxFeed;
}

void PartByPartText::BeginPart() {
    Stream.Begin(Units.get());
    PartDone = false;
}

bool PartByPartText::Feed(const char* bytes, size_t length) {
    if (!Cp1252) {
        Stream.Feed(bytes, length);
        return true;
    }
    // libmobi's conversion stops at the first zero byte: the part ends there.
    const auto* zero = static_cast<const char*>(std::memchr(bytes, 0, length));
    const size_t converted =
        ToUtf8(bytes, zero != nullptr ? static_cast<size_t>(zero - bytes) : length);
    Stream.Feed(Staging.get(), converted);
    PartSize += converted;
    return zero == nullptr;
}

uint64_t PartByPartText::Utf8Length(const char* bytes, size_t length) {
    uint64_t utf8 = 0;
    for (size_t done = 0; done < length;) {
        const size_t stretch = length - done < Cp1252Stretch ? length - done : Cp1252Stretch;
        utf8 += ToUtf8(bytes + done, stretch);
        done += stretch;
    }
    return utf8;
}

size_t PartByPartText::ToUtf8(const char* bytes, size_t length) {
    size_t produced = 3 * length + 1;
    mobi_cp1252_to_utf8(Staging.get(), bytes, &produced, length);
    return produced;
}

bool PartByPartText::NextRun(const WCHAR** units, size_t* count) {
    if (PartDone) {
        return false;
    }
    Stream.ContinueAt(Units.get());
    while (!PartDone && Stream.Written() == 0) {
        while (!PartDone &&
               UnitCapacity - Stream.Written() >= Stream.RoomForNextFeed(MarkupStream::MaxFeed)) {
            if (!FeedNext()) {
                Stream.End(PartSize);
                PartDone = true;
            } else if (Stream.ReachedZero()) {
                PartDone = true;
            }
        }
    }
    size_t written = Stream.Written();
    if (Stream.ReachedZero()) {
        // The text ends at the first zero unit, as a reader of MarkupToText's string sees it.
        written = Utf16LengthBounded(Units.get(), written);
        PartDone = true;
    }
    *units = Units.get();
    *count = written;
    return written > 0;
}
