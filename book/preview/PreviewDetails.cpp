// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/PreviewDetails.h"

#include "book/metadata/BookLocale.h"
#include "book/metadata/BookMetadata.h"
#include "book/metadata/BookPropertyTable.h"
#include "book/metadata/BookYear.h"
#include "book/metadata/ValueText.h"
#include "book/preview/PreviewText.h"
#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"
#include "platform/text/Utf16Length.h"

#include <cstring>
#include <utility>

namespace {

const WCHAR FactSeparator[] = {' ', 0xb7, ' ', 0};
constexpr size_t FactSeparatorLength = 3;
// Each fact is cut to this many units: a line of facts stays one line.
constexpr size_t MaxFactUnits = 128;
constexpr WCHAR Ellipsis = 0x2026;

// The line of facts, built piece by piece.
class FactLine {
public:
    void Add(const WCHAR* fact, size_t length) {
        // A long fact ends at a whole character.
        length = PreviewCutLength(fact, length, MaxFactUnits);
        if (length == 0) {
            return;
        }
        if (Length > 0) {
            std::memcpy(Units + Length, FactSeparator, FactSeparatorLength * sizeof(WCHAR));
            Length += FactSeparatorLength;
        }
        std::memcpy(Units + Length, fact, length * sizeof(WCHAR));
        Length += length;
    }
    HRESULT Take(CoTaskMemPtr<WCHAR>& line) const {
        if (Length == 0) {
            return S_OK;
        }
        line.Reset(TaskAllocate<WCHAR>(Length + 1));
        if (!line) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(line.Get(), Units, Length * sizeof(WCHAR));
        line.Get()[Length] = 0;
        return S_OK;
    }

private:
    // One fact per row of the table at most.
    WCHAR Units[BookPropertyRowCount * (MaxFactUnits + FactSeparatorLength)];
    size_t Length = 0;
};

// A row's text, converted whole; null when the book has none or it is empty.
HRESULT RowText(const MOBIData* book, const BookPropertyRow& row, CoTaskMemPtr<WCHAR>& text) {
    text.Reset();
    const MallocedString utf8 = BookValueString(book, row);
    if (!utf8 || utf8.Get()[0] == 0) {
        return S_OK;
    }
    const ValueForm form =
        row.Shape == PropertyShape::Markup ? ValueForm::Markup : ValueForm::Plain;
    // A string that does not convert is no detail.
    const HRESULT converted = ConvertValueText(utf8.Get(), form, UncutValue, text);
    if (converted == E_OUTOFMEMORY) {
        return converted;
    }
    if (FAILED(converted) || text.Get()[0] == 0) {
        text.Reset();
    }
    return S_OK;
}

// The description, cut to its budget with an ellipsis.
void CutDescription(CoTaskMemPtr<WCHAR>& text) {
    WCHAR* units = text.Get();
    const size_t length = Utf16Length(units);
    if (length <= PreviewDescriptionBudget) {
        return;
    }
    const size_t cut = PreviewCutLength(units, length, PreviewDescriptionBudget);
    units[cut] = Ellipsis;
    units[cut + 1] = 0;
}

void AddYear(const MOBIData* book, const BookPropertyRow& row, FactLine& facts) {
    const MallocedString date = BookValueString(book, row);
    ULONG year = 0;
    if (!date || !ReadBookYear(date.Get(), &year)) {
        return;
    }
    WCHAR digits[4];
    for (int i = 3; i >= 0; --i, year /= 10) {
        digits[i] = static_cast<WCHAR>('0' + year % 10);
    }
    facts.Add(digits, 4);
}

HRESULT AddLanguage(const MOBIData* book, const BookPropertyRow& row, FactLine& facts) {
    WCHAR name[MaxFactUnits];
    const int written =
        GetLocaleInfoW(BookLocale(book), LOCALE_SLOCALIZEDLANGUAGENAME, name, MaxFactUnits);
    if (written > 1) {
        facts.Add(name, static_cast<size_t>(written) - 1);
        return S_OK;
    }
    CoTaskMemPtr<WCHAR> given;
    RETURN_IF_FAILED(RowText(book, row, given));
    if (given) {
        facts.Add(given.Get(), Utf16Length(given.Get()));
    }
    return S_OK;
}

HRESULT ReadDetails(const MOBIData* book, PreviewDetails& details) {
    FactLine facts;
    for (const BookPropertyRow& row : BookPropertyRows) {
        switch (row.Preview) {
        case PreviewDetail::None:
            continue;
        case PreviewDetail::Title:
            RETURN_IF_FAILED(RowText(book, row, details.Title));
            continue;
        case PreviewDetail::Authors:
            RETURN_IF_FAILED(RowText(book, row, details.Authors));
            continue;
        case PreviewDetail::Description:
            RETURN_IF_FAILED(RowText(book, row, details.Description));
            if (details.Description) {
                CutDescription(details.Description);
            }
            continue;
        case PreviewDetail::Fact:
            break;
        }
        if (row.Shape == PropertyShape::Year) {
            AddYear(book, row, facts);
        } else if (row.Source == PropertySource::Language) {
            RETURN_IF_FAILED(AddLanguage(book, row, facts));
        } else {
            CoTaskMemPtr<WCHAR> fact;
            RETURN_IF_FAILED(RowText(book, row, fact));
            if (fact) {
                facts.Add(fact.Get(), Utf16Length(fact.Get()));
            }
        }
    }
    return facts.Take(details.Facts);
}

} // namespace

HRESULT ReadPreviewDetails(const MOBIData* book, PreviewDetails& details) {
    const HRESULT read = ReadDetails(book, details);
    if (FAILED(read)) {
        details = PreviewDetails();
    }
    return read;
}
