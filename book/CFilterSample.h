// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter: opens a Kindle book from the bound stream with libmobi and yields its
// metadata (title, author, publisher, subjects, description, publication date, language) as
// values, then the text of each HTML part of its markup, one chunk each, all in the book's
// locale.
#pragma once

#include "book/ConditionWords.h"
#include "book/IBookCondition.h"
#include "book/load/OpenBook.h"
#include "book/text/TextSource.h"
#include "filter/CFilterBase.h"
#include "filter/TextRuns.h"

#include <memory>

// The text comes from the book's text source (OpenTextSource chooses its reader); each part's
// chunk hands out its runs as the host reads them.
class CFilterSample : public CFilterBase, public IBookCondition, private TextRuns {
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
    // How far the text stage has come.
    enum class TextState {
        NotYet,
        // The source's last part has ended: its Outcome says what it gave.
        Ended,
        // There is no text to read: it is encrypted with DRM.
        Encrypted,
    };

    // Opens the book bound for its values, and its text source.
    HRESULT OpenForText();
    // Lets go of the book bound and all that was read of it.
    void ReleaseBook();
    // An allocation failed while the book was bound or a chunk made: every chunk and run of
    // text from now on fails with E_OUTOFMEMORY, and the condition says "out of memory".
    void NoteOutOfMemory();
    // The text chunk's runs, from the part being read.
    HRESULT NextTextRun(const WCHAR** units, ULONG* count) override;

    // Positions in the chunk sequence: one per row of the property table, then TextStage,
    // which lasts while parts remain; Stage stops at Finished.
    static const ULONG TextStage;
    static const ULONG Finished;

    // The next chunk of the sequence; a failure of any step is the chunk's.
    HRESULT ProduceNextChunk(ChunkValue& chunk);
    HRESULT ProduceValue(ChunkValue& chunk, ULONG stage);
    HRESULT ProduceNextText(ChunkValue& chunk);
    // What the filter has read of the book so far.
    BookReading Reading() const;

    // The book, its records and what the load found wrong with the file (and, once the text has
    // ended, what its reading found: a stream that came short after the binding).
    OpenedBook Opened;
    // Declared after the book, so that it is released first; null for an encrypted text.
    std::unique_ptr<TextSource> Text;
    TextState TextRead;
    ULONG Stage;
    // Every chunk of the book carries it; found when the book is bound.
    LCID Locale;
    // Whether the binding succeeded, and whether memory ran out since.
    bool Bound;
    bool RanOutOfMemory;
};
