// SPDX-License-Identifier: LGPL-3.0-or-later
// The text of a book with a part index (KF8): each part's stretch of the text decoded into the
// window, the part rebuilt from it as libmobi rebuilds it (PartAssembly) and converted, then
// the window moves on.
#pragma once

#include "book/text/PartAssembly.h"
#include "book/text/PartByPartText.h"

class IndexedPartText final : public PartByPartText {
public:
    explicit IndexedPartText(PartIndex index) : PartByPartText(std::move(index)) {}

    // The next part of the index that gives a chunk, rebuilt.
    bool NextPart() override;

private:
    bool MakeBuffers() override { return Assembly.Init(Index.MostFragments()); }
    bool FeedNext() override;
    // The rebuilt part's bytes from Position up to the end of their piece (`*length` of them),
    // Piece and Within moved there first; after the last piece, one of the zeros that stand
    // for the fragments libmobi did not place. Null at the part's end.
    const char* Bytes(uint64_t* length);
    // Points Piece and Within at `position` of the rebuilt part.
    void Seek(uint64_t position);
    // The UTF-8 length libmobi's conversion gives the rebuilt part's first `length` bytes.
    uint64_t RebuiltUtf8Length(uint64_t length);

    PartAssembly Assembly;
    // The next part of the index to read.
    size_t NextIndexed = 0;
    // Where the part's stretch starts in the text, and where the next byte to convert lies in
    // the rebuilt part: in which piece, how far into it.
    uint64_t PartStart = 0;
    size_t Piece = 0;
    uint64_t Within = 0;
};
