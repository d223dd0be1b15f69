// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's text read part by part: the memory it takes follows the largest part, not the book,
// and a part's text comes as soon as that part is read.
#pragma once

#include "book/load/BookRecords.h"
#include "book/markup/MarkupStream.h"
#include "book/text/PartIndex.h"
#include "book/text/TextRecordDecoder.h"
#include "book/text/TextSource.h"
#include "book/text/TextWindow.h"

#include <mobi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// The same parts and the same text as libmobi's whole rebuilding of the markup converted part
// by part (MarkupToText), read another way: the text records are decoded into a window over
// the text (TextWindow) as the reading moves on, and each part's markup is converted as it
// comes (MarkupStream). A book of one flow (KF7, PalmDOC) is OneFlowText, a book with a part
// index (KF8) IndexedPartText. A cp1252 book's markup goes through libmobi's conversion to
// UTF-8 on the way. Where libmobi's decoding or rebuilding fails part way, the text ends
// there: the parts before it come.
class PartByPartText : public TextSource {
public:
    // Prepares to read the text of `book` (libmobi's, opened for OpenFor::PartByPart), whose
    // records `records` reads and which both outlive the reader: makes every buffer the
    // reading needs, once. MOBI_SUCCESS; MOBI_MALLOC_FAILED; or why libmobi's decompression
    // fails before its first record, when its rebuilding gives no text either.
    MOBI_RET Open(const MOBIData* book, BookRecords& records);

    bool NextRun(const WCHAR** units, size_t* count) final;
    TextOutcome Outcome() const final;
    const BookCondition& Condition() const final { return Records->Condition(); }

protected:
    explicit PartByPartText(PartIndex index) : Index(std::move(index)) {}

    // Hands the next stretch of the current part to the stream; false when the part has no
    // more bytes.
    virtual bool FeedNext() = 0;
    // The buffers of a reader of its own; false when memory runs out.
    virtual bool MakeBuffers() { return true; }

    // Hands `length` bytes of markup to the stream, through libmobi's conversion to UTF-8 for
    // a cp1252 book; false when they hold the zero byte at which that conversion stops.
    bool Feed(const char* bytes, size_t length);
    // How many bytes libmobi's conversion to UTF-8 makes of `length` bytes that hold no zero
    // byte.
    uint64_t Utf8Length(const char* bytes, size_t length);
    // The part's text starts: its bytes from here on go to the stream.
    void BeginPart();
    // The largest stretch a cp1252 book feeds at once, or any other book.
    size_t Stretch() const;

    PartIndex Index;
    TextRecordDecoder Decoder;
    TextWindow Window;
    MarkupStream Stream;
    bool Cp1252 = false;
    // Where the next byte to convert lies in the text (one flow) or in the rebuilt part.
    uint64_t Position = 0;
    // The part's size as libmobi's rebuilding gives it, the final line feed's measure: for a
    // cp1252 book in UTF-8, up to its first zero byte, counted as it is read.
    uint64_t PartSize = 0;
    bool PartDone = true;
    bool TextEnded = false;

private:
    // What libmobi's conversion to UTF-8 makes of `length` bytes (at most a stretch that fits
    // Staging): how many bytes, in Staging.
    size_t ToUtf8(const char* bytes, size_t length);

    BookRecords* Records = nullptr;
    std::unique_ptr<WCHAR[]> Units;
    size_t UnitCapacity = 0;
    // A cp1252 book's markup is converted to UTF-8 in pieces into Staging.
    std::unique_ptr<char[]> Staging;
    // Where the text records end among the book's records, and how many the binding read.
    // What the text gives once read to its end without a fault.
    TextOutcome ReadToItsEnd = TextOutcome::All;
};
