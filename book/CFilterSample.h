// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter: loads a Kindle book from the bound stream with libmobi and yields its
// metadata (title, author, publisher, subjects, description, publication date, language) as
// values, then the text of each HTML part of its markup, one chunk each, all in the book's
// locale.
#pragma once

#include "book/IBookCondition.h"
#include "book/load/BookCondition.h"
#include "book/load/MobiHolders.h"
#include "filter/CFilterBase.h"

class CFilterSample : public CFilterBase, public IBookCondition {
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
        // A hybrid cut short whose KF8 text libmobi cannot rebuild: its KF7 half's text.
        Kf7Half,
        // libmobi could not rebuild the text (TextFailure).
        None,
        Encrypted,
    };

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
    // libmobi's rebuilding of the text into Markup: the book's own, or for a hybrid cut short
    // whose KF8 half it cannot rebuild, its KF7 half's. Notes what it gave.
    void RebuildMarkup();
    // Loads the KF7 half of the hybrid bound into Kf7Book.
    MOBI_RET LoadKf7Half();
    // What the text gave, in words, after those of the details.
    const char* TextWords() const;

    // The markup is declared after the books, so that it is released first.
    MobiBook Book;
    MobiBook Kf7Book;
    MobiMarkup Markup;
    MOBIPart* PartCursor;
    ULONG Stage;
    // Every chunk of the book carries it; found when the book is bound.
    LCID Locale;
    // What the load found wrong with the file, how many records it read, and what the text gave.
    BookCondition Condition;
    size_t RecordsRead;
    TextOutcome Outcome;
    int TextFailure;
};
