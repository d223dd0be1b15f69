// SPDX-License-Identifier: LGPL-3.0-or-later
// The text of a book's HTML parts, read part by part: the memory it takes follows the largest
// part, not the book, and a part's text comes as soon as that part is read.
#pragma once

#include "book/load/BookRecords.h"
#include "book/markup/BodyMarker.h"
#include "book/markup/MarkupStream.h"
#include "book/text/PartAssembly.h"
#include "book/text/PartIndex.h"
#include "book/text/TextRecordDecoder.h"
#include "book/text/TextWindow.h"
#include "platform/Platform.h"

#include <mobi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// The same parts and the same text as libmobi's whole rebuilding of the markup converted part
// by part (MarkupToText), read another way: a book with a part index (KF8) has each part's
// stretch of its text decoded into a window (TextWindow), the part rebuilt from it as libmobi
// rebuilds it (PartAssembly) and converted, then the window moves on; a book of one part (KF7,
// PalmDOC) has its text decoded one record at a time and converted as it comes (MarkupStream).
// A cp1252 book's markup goes through libmobi's conversion to UTF-8 on the way. Where libmobi's
// decoding or rebuilding fails part way, the text ends there: the parts before it come.
class BookText {
public:
    BookText() = default;
    BookText(const BookText&) = delete;
    BookText& operator=(const BookText&) = delete;

    enum class Opened {
        Ready,
        // Libmobi's rebuilding of the whole book gives what this reader cannot: the book's
        // text is to be read that way (or it has none).
        WholeBook,
        OutOfMemory,
    };
    // Prepares to read the text of `book` (libmobi's, loaded with LoadedRecords::Parts), whose
    // records `records` reads and which both outlive the reader. Makes every buffer the reading
    // needs, once.
    Opened Open(const MOBIData* book, BookRecords& records);

    // Moves to the next part that gives a text chunk, leaving the rest of the current one.
    // False when none is left.
    bool NextPart();
    // The next run of the current part's text (at least one unit, no zero unit), valid until
    // the next call; false when the part's text has ended.
    bool NextRun(const WCHAR** units, size_t* count);

private:
    // A book of one part: where its text starts, and that it gives a chunk at all.
    bool StartWholeFlow();
    // The next part of a book with a part index that gives a chunk, rebuilt.
    bool StartIndexedPart();
    // Where the text of the part just rebuilt starts, from its body marker.
    uint64_t FindIndexedTextStart();
    // Hands the next stretch of the current part to the stream; false when the part has no
    // more bytes.
    bool FeedNext();
    // Hands `length` bytes of markup to the stream, through libmobi's conversion to UTF-8 for
    // a cp1252 book; false when they hold the zero byte at which that conversion stops.
    bool Feed(const char* bytes, size_t length);
    // What libmobi's conversion to UTF-8 makes of `length` bytes (at most a stretch that fits
    // Staging): how many bytes, in Staging.
    size_t ToUtf8(const char* bytes, size_t length);
    // How many bytes that conversion makes of `length` bytes that hold no zero byte.
    uint64_t Utf8Length(const char* bytes, size_t length);
    // The rebuilt part's bytes from Position up to the end of their piece (`*length` of them),
    // Piece and Within moved there first; after the last piece, one of the zeros that stand
    // for the fragments libmobi did not place. Null at the part's end.
    const char* IndexedBytes(uint64_t* length);
    // Points Piece and Within at `position` of the rebuilt part.
    void SeekIndexed(uint64_t position);
    // The UTF-8 length libmobi's conversion gives the rebuilt part's first `length` bytes.
    uint64_t IndexedUtf8Length(uint64_t length);

    PartIndex Index;
    TextRecordDecoder Decoder;
    TextWindow Window;
    PartAssembly Assembly;
    MarkupStream Stream;
    std::unique_ptr<WCHAR[]> Units;
    size_t UnitCapacity = 0;
    // A cp1252 book's markup is converted to UTF-8 in pieces into Staging.
    bool Cp1252 = false;
    std::unique_ptr<char[]> Staging;
    // A book of one part reads its first flow from FlowStart to FlowEnd (or its text's end).
    bool WholeFlow = false;
    uint64_t FlowStart = 0;
    uint64_t FlowEnd = 0;
    // The next part of the index to read.
    size_t NextIndexed = 0;
    bool Started = false;
    bool PartDone = true;
    bool TextEnded = false;
    // Where the next byte to convert lies: in the text (one part) or in the rebuilt part, and
    // for the latter in which piece, how far into it.
    uint64_t Position = 0;
    size_t Piece = 0;
    uint64_t Within = 0;
    uint64_t IndexedStart = 0;
    // The part's size as libmobi's rebuilding gives it, the final line feed's measure: for a
    // cp1252 book in UTF-8, up to its first zero byte, counted as it is read.
    uint64_t PartSize = 0;
};
