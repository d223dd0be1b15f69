// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter: loads a Kindle book from the bound stream with libmobi and yields its
// metadata (title, author, publisher, subjects, description, publication date, language) as
// values, then the text of each HTML part of its markup, one chunk each, all in the book's
// locale.
#pragma once

#include "book/load/MobiHolders.h"
#include "filter/CFilterBase.h"

class CFilterSample : public CFilterBase {
public:
    CFilterSample();

    HRESULT PrepareContent() override;
    HRESULT ProduceChunkValue(ChunkValue& chunk) override;

private:
    // Positions in the chunk sequence: one per row of the property table, then TextStage,
    // which lasts while parts remain; Stage stops at Finished.
    static const ULONG TextStage;
    static const ULONG Finished;

    bool IsEncrypted() const;
    // True when what libmobi read as the encryption type of a PalmDOC book cannot be one:
    // the text is then read as plain.
    bool EncryptionFieldIsReadingPosition() const;
    HRESULT ProduceValue(ChunkValue& chunk, ULONG stage);
    HRESULT ProduceNextText(ChunkValue& chunk);

    // The markup is declared after the book, so that it is released first.
    MobiBook Book;
    MobiMarkup Markup;
    MOBIPart* PartCursor;
    ULONG Stage;
    // Every chunk of the book carries it; found when the book is bound.
    LCID Locale;
};
