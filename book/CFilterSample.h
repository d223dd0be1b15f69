// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter: loads a Kindle book from the bound stream with libmobi and yields its
// metadata (title, author, publisher, subjects, description, publication date, language) as
// values, then the text of each HTML part of its markup, one chunk each, all in the book's
// locale.
#pragma once

#include "book/load/BookRecords.h"
#include "book/load/MobiHolders.h"
#include "book/text/BookText.h"
#include "filter/CFilterBase.h"
#include "filter/TextSource.h"

#include <memory>

// The text is read part by part (BookText), each part's chunk handing out its text as it is
// converted; where that cannot be, libmobi rebuilds the whole book's markup and each part is
// converted whole, as the chunk is asked for.
class CFilterSample : public CFilterBase, private TextSource {
public:
    CFilterSample();

    HRESULT PrepareContent() override;
    HRESULT ProduceChunkValue(ChunkValue& chunk) override;

private:
    // The text chunk's runs, from the part being read.
    HRESULT NextTextRun(const WCHAR** units, ULONG* count) override;
    // Loads the book again with every record its text needs, for libmobi's whole rebuilding.
    HRESULT LoadWholeBook();

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

    // The book's records, which its text reads as it goes.
    std::unique_ptr<BookRecords> Records;
    // The markup and the text are declared after the book and its records, so that they are
    // released first.
    MobiBook Book;
    // The text read part by part; null where libmobi rebuilds the whole book (Markup).
    std::unique_ptr<BookText> Text;
    MobiMarkup Markup;
    MOBIPart* PartCursor;
    ULONG Stage;
    // Every chunk of the book carries it; found when the book is bound.
    LCID Locale;
};
