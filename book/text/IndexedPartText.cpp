// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/IndexedPartText.h"

#include "book/markup/BodyMarker.h"

#include <algorithm>

namespace {

// What stands for the bytes of fragments libmobi did not place.
const char Zero = 0;

} // namespace

bool IndexedPartText::NextPart() {
    PartDone = true;
    if (TextEnded) {
        return false;
    }
    while (NextIndexed < Index.Count()) {
        const PartIndex::Part& part = Index[NextIndexed++];
        if (!Window.Reach(part.Start, part.Start + part.Length)) {
            // A record that does not decode, or a part past the text's end.
            break;
        }
        Assembly.Assemble(Index, part);
        PartStart = part.Start;
        Seek(0);
        uint64_t length = 0;
        const char* first = Bytes(&length);
        if (first == nullptr || *first == 0) {
            // No chunk; in a cp1252 book libmobi's conversion of such a part fails the book.
            if (Cp1252) {
                break;
            }
            continue;
        }
        BodyMarkerSearch search;
        for (bool over = false; !over;) {
            const char* bytes = Bytes(&length);
            if (bytes == nullptr) {
                break;
            }
            over = search.Feed(bytes, static_cast<size_t>(length));
            Position += length;
            Within += length;
        }
        const uint64_t textStart = search.Found() ? search.At() : 0;
        PartSize = Cp1252 ? RebuiltUtf8Length(textStart) : Assembly.Length();
        Seek(textStart);
        BeginPart();
        return true;
    }
    TextEnded = true;
    return false;
}

void IndexedPartText::Seek(uint64_t position) {
    Position = position;
    Piece = 0;
    Within = position;
    while (Piece < Assembly.Count() && Within >= Assembly[Piece].Length) {
        Within -= Assembly[Piece].Length;
        ++Piece;
    }
}

const char* IndexedPartText::Bytes(uint64_t* length) {
    while (Piece < Assembly.Count() && Within == Assembly[Piece].Length) {
        ++Piece;
        Within = 0;
    }
    if (Piece < Assembly.Count()) {
        *length = Assembly[Piece].Length - Within;
        return Window.At(PartStart + Assembly[Piece].From + Within);
    }
    if (Position < Assembly.Length()) {
        // One zero stands for them all: the text, or a cp1252 part's conversion, ends at it.
        *length = 1;
        return &Zero;
    }
    return nullptr;
}

uint64_t IndexedPartText::RebuiltUtf8Length(uint64_t length) {
    uint64_t utf8 = 0;
    Seek(0);
    while (Position < length) {
        uint64_t available = 0;
        const char* bytes = Bytes(&available);
        const size_t stretch =
            static_cast<size_t>(std::min<uint64_t>(available, length - Position));
        utf8 += Utf8Length(bytes, stretch);
        Position += stretch;
        Within += stretch;
    }
    return utf8;
}

bool IndexedPartText::FeedNext() {
    uint64_t available = 0;
    const char* bytes = Bytes(&available);
    if (bytes == nullptr) {
        return false;
    }
    const size_t length = static_cast<size_t>(std::min<uint64_t>(available, Stretch()));
    const bool more = Feed(bytes, length);
    Position += length;
    Within += length;
    return more;
}
