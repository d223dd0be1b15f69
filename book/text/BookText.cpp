// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/BookText.h"

#include "book/text/LibmobiInternals.h"
#include "platform/AllocationFailures.h"
#include "platform/text/Utf16Length.h"

#include <cstring>
#include <new>

namespace {

// A cp1252 book's markup goes to the stream in stretches whose UTF-8 fits one Feed: libmobi's
// conversion makes at most three bytes of one.
constexpr size_t Cp1252Stretch = MarkupStream::MaxFeed / 3;
// A Print Replica book's text starts so; libmobi gives it no HTML part.
constexpr char ReplicaMagic[] = "%MOP";
// What stands for the bytes of fragments libmobi did not place.
const char Zero = 0;

uint64_t Smaller(uint64_t a, uint64_t b) {
    return a < b ? a : b;
}

} // namespace

BookText::Opened BookText::Open(const MOBIData* book, BookRecords& records) {
    switch (Index.Build(book)) {
    case PartIndex::Result::Ready:
        break;
    case PartIndex::Result::WholeBook:
        return Opened::WholeBook;
    case PartIndex::Result::OutOfMemory:
        return Opened::OutOfMemory;
    }
    const MOBI_RET opened = Decoder.Open(book, records);
    if (opened == MOBI_MALLOC_FAILED) {
        return Opened::OutOfMemory;
    }
    if (opened != MOBI_SUCCESS) {
        // libmobi's decompression fails before its first record: its rebuilding gives no text.
        return Opened::WholeBook;
    }
    WholeFlow = Index.WholeFlow();
    Cp1252 = mobi_is_cp1252(book);
    // Room for a stretch's units after the longest tag that waits for its '>', and, while none
    // waits, for two stretches'.
    UnitCapacity = MarkupStream::RoomForFeed(MarkupStream::MaxFeed);
    Units.reset(NewArray<WCHAR>(UnitCapacity));
    Staging.reset(NewArray<char>(MarkupStream::MaxFeed + 1));
    const uint64_t longest = Index.LongestPart();
    const size_t stretch =
        longest > MarkupStream::MaxFeed ? static_cast<size_t>(longest) : MarkupStream::MaxFeed;
    if (!Units || !Staging || !Stream.Init() || !Window.Init(Decoder, stretch) ||
        !Assembly.Init(Index.MostFragments())) {
        return Opened::OutOfMemory;
    }
    NextIndexed = 0;
    Started = false;
    PartDone = true;
    TextEnded = false;
    return Opened::Ready;
}

bool BookText::NextPart() {
    PartDone = true;
    if (TextEnded) {
        return false;
    }
    if (WholeFlow) {
        TextEnded = Started;
        Started = true;
        return !TextEnded && StartWholeFlow();
    }
    return StartIndexedPart();
}

bool BookText::StartWholeFlow() {
    // One part, its text ended with it.
    TextEnded = true;
    const PartIndex::Part& flow = Index[0];
    FlowStart = flow.Start;
    FlowEnd = flow.Length == PartIndex::ToTheEnd ? PartIndex::ToTheEnd : flow.Start + flow.Length;
    Window.Cover(FlowStart, Smaller(FlowStart + 4, FlowEnd));
    if (Window.End() <= FlowStart || FlowEnd == FlowStart || *Window.At(FlowStart) == 0) {
        // An empty part, or one that starts with a zero byte, gives no chunk.
        return false;
    }
    if (flow.Length == PartIndex::ToTheEnd && Window.End() >= 4 &&
        std::memcmp(Window.At(0), ReplicaMagic, 4) == 0) {
        return false;
    }
    // A first pass for the body marker, keeping the bytes where one may start that the next
    // record completes.
    BodyMarkerSearch search;
    uint64_t at = FlowStart;
    PartSize = 0;
    for (bool over = false; !over && at < FlowEnd;) {
        const uint64_t keep = at - Smaller(at - FlowStart, BodyMarkerLength - 1);
        if (!Window.Cover(keep, at + 1)) {
            break;
        }
        const size_t length = static_cast<size_t>(Smaller(Window.End(), FlowEnd) - at);
        over = search.Feed(Window.At(at), length);
        if (Cp1252) {
            // What comes before the marker, which holds no zero byte, counts before the text;
            // a marker that started in the bytes before these counted them already.
            const uint64_t marker = FlowStart + search.At();
            if (!over) {
                PartSize += Utf8Length(Window.At(at), length);
            } else if (search.Found() && marker >= at) {
                PartSize += Utf8Length(Window.At(at), static_cast<size_t>(marker - at));
            } else if (search.Found()) {
                PartSize -= at - marker;
            }
        }
        at += length;
    }
    Position = FlowStart;
    if (search.Found()) {
        Position = FlowStart + search.At();
        Window.Cover(Position, Position + 1);
    } else {
        PartSize = 0;
        if (Window.Start() > FlowStart) {
            // The text starts at the part's start, which the window has let go: read it again.
            Window.Restart();
        }
    }
    if (!Cp1252) {
        PartSize = Position - FlowStart;
    }
    Stream.Begin(Units.get());
    PartDone = false;
    TextEnded = false;
    return true;
}

bool BookText::StartIndexedPart() {
    while (NextIndexed < Index.Count()) {
        const PartIndex::Part& part = Index[NextIndexed++];
        if (!Window.Cover(part.Start, part.Start + part.Length)) {
            // A record that does not decode, or a part past the text's end.
            break;
        }
        Assembly.Assemble(Index, part);
        IndexedStart = part.Start;
        SeekIndexed(0);
        uint64_t length = 0;
        const char* first = IndexedBytes(&length);
        if (first == nullptr || *first == 0) {
            // No chunk; in a cp1252 book libmobi's conversion of such a part fails the book.
            if (Cp1252) {
                break;
            }
            continue;
        }
        BodyMarkerSearch search;
        for (bool over = false; !over;) {
            const char* bytes = IndexedBytes(&length);
            if (bytes == nullptr) {
                break;
            }
            over = search.Feed(bytes, static_cast<size_t>(length));
            Position += length;
            Within += length;
        }
        const uint64_t textStart = search.Found() ? search.At() : 0;
        PartSize = Cp1252 ? IndexedUtf8Length(textStart) : Assembly.Length();
        SeekIndexed(textStart);
        Stream.Begin(Units.get());
        PartDone = false;
        return true;
    }
    TextEnded = true;
    return false;
}

void BookText::SeekIndexed(uint64_t position) {
    Position = position;
    Piece = 0;
    Within = position;
    while (Piece < Assembly.Count() && Within >= Assembly[Piece].Length) {
        Within -= Assembly[Piece].Length;
        ++Piece;
    }
}

const char* BookText::IndexedBytes(uint64_t* length) {
    while (Piece < Assembly.Count() && Within == Assembly[Piece].Length) {
        ++Piece;
        Within = 0;
    }
    if (Piece < Assembly.Count()) {
        *length = Assembly[Piece].Length - Within;
        return Window.At(IndexedStart + Assembly[Piece].From + Within);
    }
    if (Position < Assembly.Length()) {
        // One zero stands for them all: the text, or a cp1252 part's conversion, ends at it.
        *length = 1;
        return &Zero;
    }
    return nullptr;
}

uint64_t BookText::IndexedUtf8Length(uint64_t length) {
    uint64_t utf8 = 0;
    SeekIndexed(0);
    while (Position < length) {
        uint64_t available = 0;
        const char* bytes = IndexedBytes(&available);
        const size_t stretch = static_cast<size_t>(Smaller(available, length - Position));
        utf8 += Utf8Length(bytes, stretch);
        Position += stretch;
        Within += stretch;
    }
    return utf8;
}

uint64_t BookText::Utf8Length(const char* bytes, size_t length) {
    uint64_t utf8 = 0;
    for (size_t done = 0; done < length;) {
        const size_t stretch = static_cast<size_t>(Smaller(length - done, Cp1252Stretch));
        utf8 += ToUtf8(bytes + done, stretch);
        done += stretch;
    }
    return utf8;
}

bool BookText::FeedNext() {
    if (WholeFlow) {
        if (Position >= FlowEnd || !Window.Cover(Position, Position + 1)) {
            return false;
        }
        const size_t length =
            static_cast<size_t>(Smaller(Smaller(Window.End(), FlowEnd) - Position,
                                        Cp1252 ? Cp1252Stretch : MarkupStream::MaxFeed));
        const bool more = Feed(Window.At(Position), length);
        Position += length;
        return more;
    }
    uint64_t available = 0;
    const char* bytes = IndexedBytes(&available);
    if (bytes == nullptr) {
        return false;
    }
    const size_t length =
        static_cast<size_t>(Smaller(available, Cp1252 ? Cp1252Stretch : MarkupStream::MaxFeed));
    const bool more = Feed(bytes, length);
    Position += length;
    Within += length;
    return more;
}

bool BookText::Feed(const char* bytes, size_t length) {
    if (!Cp1252) {
        Stream.Feed(bytes, length);
        if (WholeFlow) {
            PartSize += length;
        }
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

size_t BookText::ToUtf8(const char* bytes, size_t length) {
    size_t produced = 3 * length + 1;
    mobi_cp1252_to_utf8(Staging.get(), bytes, &produced, length);
    return produced;
}

bool BookText::NextRun(const WCHAR** units, size_t* count) {
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
