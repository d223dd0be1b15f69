// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter: loads a Kindle book from the bound stream with libmobi and yields its
// metadata (title, author, publisher, subjects, description, publication date, language) as
// values, then the text of each HTML part of its markup, one chunk each, all in the book's
// locale.
#pragma once

#include "book/IBookCondition.h"
#include "book/load/BookCondition.h"
#include "book/load/BookRecords.h"
#include "book/load/MobiHolders.h"
#include "book/text/BookText.h"
#include "filter/CFilterBase.h"
#include "filter/TextSource.h"

#include <memory>

// The text is read part by part (BookText), each part's chunk handing out its text as it is
// converted; where that cannot be, libmobi rebuilds the whole book's markup and each part is
// converted whole, as the chunk is asked for.
class CFilterSample : public CFilterBase, public IBookCondition, private TextSource {
public:
    CFilterSample();

    // The filter's faces and the tools' IBookCondition; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IPersistStream), QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IFilter),        QITABENT(Self, IPersistFile),
            QITABENT(Self, IBookCondition), {nullptr, 0},
        };
        return table;
    }

    HRESULT PrepareContent() override;
    HRESULT ProduceChunkValue(ChunkValue& chunk) override;

    // IBookCondition: what the load found, and once the chunks have ended, what the text gave.
    HRESULT STDMETHODCALLTYPE GetConditionWords(LPWSTR* words) override;

private:
    // What the text stage gave.
    enum class TextOutcome {
        NotYet,
        All,
        // The text up to the first text record cut off.
        Start,
        // The text up to a text record that does not decode.
        Damaged,
        // A hybrid cut short whose KF8 text libmobi cannot rebuild: its KF7 half's text.
        Kf7Half,
        // libmobi could not rebuild the text (TextFailure).
        None,
        Encrypted,
    };

    // Loads the book bound for its values and its text: part by part, or whole.
    HRESULT LoadForText();
    // Lets go of the book bound and all that was read of it.
    void ReleaseBook();
    // An allocation failed while the book was bound or a chunk made: every chunk and run of
    // text from now on fails with E_OUTOFMEMORY, and the condition says "out of memory".
    void NoteOutOfMemory();
    // The text chunk's runs, from the part being read.
    HRESULT NextTextRun(const WCHAR** units, ULONG* count) override;
    // Loads the book again with every record its text needs, for libmobi's whole rebuilding.
    HRESULT LoadWholeBook();
    // Loads the book bound into `book` from the stream's start, with every record its text
    // needs: a hybrid's KF8 half when `kf8`, else its KF7 half. A whole book's load that fails
    // notes why.
    MOBI_RET LoadAgain(MobiBook& book, bool kf8);

    // Positions in the chunk sequence: one per row of the property table, then TextStage,
    // which lasts while parts remain; Stage stops at Finished.
    static const ULONG TextStage;
    static const ULONG Finished;

    bool IsEncrypted() const;
    // True when what libmobi read as the encryption type of a PalmDOC book cannot be one:
    // the text is then read as plain.
    bool EncryptionFieldIsReadingPosition() const;
    // The next chunk of the sequence; a failure of any step is the chunk's.
    HRESULT ProduceNextChunk(ChunkValue& chunk);
    HRESULT ProduceValue(ChunkValue& chunk, ULONG stage);
    HRESULT ProduceNextText(ChunkValue& chunk);
    // libmobi's rebuilding of the text into Markup: the book's own, or for a hybrid cut short
    // whose KF8 half it cannot rebuild, its KF7 half's. Notes what it gave.
    void RebuildMarkup();
    // What a text read to its end gave: all of it, or, cut short, its start.
    TextOutcome WholeTextOutcome(const MOBIData* book) const;
    // What the text gave, in words, after those of the details.
    const char* TextWords() const;

    // The book's records, which its text reads as it goes.
    std::unique_ptr<BookRecords> Records;
    // The markup and the text are declared after the books and the records, so that they are
    // released first.
    MobiBook Book;
    MobiBook Kf7Book;
    // The text read part by part; null where libmobi rebuilds the whole book (Markup).
    std::unique_ptr<BookText> Text;
    MobiMarkup Markup;
    MOBIPart* PartCursor;
    ULONG Stage;
    // Every chunk of the book carries it; found when the book is bound.
    LCID Locale;
    // Whether the binding succeeded, and whether memory ran out since; what the load found
    // wrong with the file, how many records it read, and what the text gave.
    bool Bound;
    bool RanOutOfMemory;
    BookCondition Condition;
    size_t RecordsRead;
    TextOutcome Outcome;
    int TextFailure;
};
