// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter: loads a Kindle book from the bound stream with libmobi and yields its
// title, its author, then the text of each HTML part of its markup, one chunk each.
#pragma once

#include "book/MobiHolders.h"
#include "filter/CFilterBase.h"

class CFilterSample : public CFilterBase {
public:
    CFilterSample();

    HRESULT PrepareContent() override;
    HRESULT ProduceChunkValue(ChunkValue& chunk) override;

private:
    // Positions in the chunk sequence; Stage stops at Finished.
    enum : ULONG { TitleStage = 0, AuthorStage = 1, TextStage = 2, Finished = 3 };

    bool IsEncrypted() const;
    // True when what libmobi read as the encryption type of a PalmDOC book cannot be one:
    // the text is then read as plain.
    bool EncryptionFieldIsReadingPosition() const;
    HRESULT ProduceValue(ChunkValue& chunk, MallocedString utf8, REFPROPERTYKEY key);
    HRESULT ProduceNextText(ChunkValue& chunk);

    // The markup is declared after the book, so that it is released first.
    MobiBook Book;
    MobiMarkup Markup;
    MOBIPart* PartCursor;
    ULONG Stage;
};
