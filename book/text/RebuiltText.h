// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's text from libmobi's rebuilding of its whole markup: for the books the text read part
// by part cannot read (parts stored out of the order of their text, indexes that do not parse
// as the rebuilding needs, a record that fails before the first).
#pragma once

#include "book/load/OpenBook.h"
#include "book/text/TextSource.h"
#include "platform/UniqueAny.h"

#include <mobi.h>

// The book is opened again, in the caller's place, with every record the rebuilding needs; libmobi
// rebuilds the markup at the first NextPart, and each HTML part is converted whole (MarkupToText)
// as it is reached: its text is one run. A hybrid cut short whose KF8 text libmobi cannot rebuild
// gives its KF7 half's text, which the half before the boundary holds whole.
class RebuiltText final : public TextSource {
public:
    // Opens the book on `stream` again for the rebuilding (OpenBook), in place of `opened`, the
    // book as the caller opened it: S_OK, or what OpenBook answers, with the Condition of the
    // records read this time (a stream that came short). The first opening is let go before,
    // so that the book is held once. The stream and `opened` outlive the reader.
    HRESULT Open(IStream* stream, OpenedBook& opened);

    bool NextPart() override;
    bool NextRun(const WCHAR** units, size_t* count) override;
    TextOutcome Outcome() const override { return Ended; }
    int FailureCode() const override { return Failure; }
    const BookCondition& Condition() const override { return Opened->Condition; }

private:
    // libmobi's rebuilding of the text into Markup: the book's own, or its KF7 half's.
    void Rebuild();

    IStream* Stream = nullptr;
    bool CutShort = false;
    OpenedBook* Opened = nullptr;
    OpenedBook Kf7Half;
    // Declared after the books, so that it is released first.
    UniqueAny<MOBIRawml*, mobi_free_rawml> Markup;
    bool Rebuilt = false;
    const MOBIPart* NextHtml = nullptr;
    CoTaskMemPtr<WCHAR> Text;
    size_t TextLength = 0;
    bool TextGiven = true;
    TextOutcome Ended = TextOutcome::None;
    int Failure = MOBI_SUCCESS;
};
