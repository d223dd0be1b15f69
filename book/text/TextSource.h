// SPDX-License-Identifier: LGPL-3.0-or-later
// The text of a book's HTML parts, one part after another, each in runs: what the filter's text
// chunks and the preview's first pages read. Two readers stand behind it: the text read part by
// part (PartByPartText: OneFlowText, IndexedPartText) and libmobi's rebuilding of the whole
// markup (RebuiltText); OpenTextSource chooses.
#pragma once

#include "book/load/BookCondition.h"
#include "book/text/TextOutcome.h"
#include "platform/Platform.h"

#include <cstddef>

class TextSource {
public:
    virtual ~TextSource() = default;

    // Moves to the next part that gives text, leaving the rest of the current one. False when
    // none is left.
    virtual bool NextPart() = 0;
    // The next run of the current part's text (at least one unit, no zero unit), valid until
    // the next call; false when the part's text has ended.
    virtual bool NextRun(const WCHAR** units, size_t* count) = 0;

    // What the text gave, once NextPart has answered false.
    virtual TextOutcome Outcome() const = 0;
    // libmobi's code (a MOBI_RET) when it could not rebuild the text.
    virtual int FailureCode() const { return 0; }
    // What the book's records found wrong with its file as the text was read: a stream that
    // came short of its length after the binding ends the text where it does.
    virtual const BookCondition& Condition() const = 0;
};
