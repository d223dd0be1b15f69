// SPDX-License-Identifier: LGPL-3.0-or-later
// The book's properties, one row each: what the filter's value chunks, the property handler,
// the registered detail lists, a preview's details and the tools read. Adding a property is adding
// a row. Plain data, so that the tools read it without linking the book.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>

// Where a property's value comes from.
enum class PropertySource : unsigned char {
    Exth,     // the EXTH records of the row's tag, in the book's order
    Title,    // EXTH 503, else the full name in record 0, else the Palm database name
    Language, // EXTH 524, else the name of the MOBI header's locale
    Text,     // the text of the book's parts: the filter's text chunks
};

// How the value is shaped from its records' strings (UTF-8, as libmobi decodes them).
enum class PropertyShape : unsigned char {
    Joined, // joined by "; ", as libmobi joins them
    List,   // one entry per string that is not empty (VT_VECTOR | VT_LPWSTR); joined in a chunk
    Markup, // joined, then converted from markup as the text is and trimmed
    Year,   // the first four characters, when ASCII digits giving 1000 or more (VT_UI4)
    Text,   // the text chunks' own
};

// Who reads a row, as flags.
struct ReadBy {
    enum : unsigned {
        ValueChunk = 1, // a value chunk of the filter, in the table's order, when not empty
        ValueChunkEvenEmpty = 2, // a value chunk, even when empty
        PropertyStore = 4,       // the property handler, in the table's order; Explorer's lists
        InfoTip = 8,             // Explorer's tooltip as well
    };
};

// The line of a preview's details a row's value goes to.
enum class PreviewDetail : unsigned char {
    None,
    Title,
    Authors,
    // The line of facts, in the table's order: a year as its digits, a language as Windows
    // names it.
    Fact,
    Description,
};

struct BookPropertyRow {
    const PROPERTYKEY* Key;
    const char* CanonicalName; // null: the property has none
    const char* ShownName;     // as Windows shows it in a dump of the filter's chunks
    PropertySource Source;
    uint32_t ExthTag; // the record of Exth, Title and Language (0: none)
    PropertyShape Shape;
    unsigned Readers;
    PreviewDetail Preview;
};

inline constexpr BookPropertyRow BookPropertyRows[] = {
    {&PKEY_Title, "System.Title", "Title", PropertySource::Title, 503, PropertyShape::Joined,
     ReadBy::ValueChunkEvenEmpty | ReadBy::PropertyStore | ReadBy::InfoTip, PreviewDetail::Title},
    {&PKEY_Author, "System.Author", "Author", PropertySource::Exth, 100, PropertyShape::List,
     ReadBy::ValueChunkEvenEmpty | ReadBy::PropertyStore | ReadBy::InfoTip, PreviewDetail::Authors},
    {&PKEY_Media_Publisher, "System.Media.Publisher", "Publisher", PropertySource::Exth, 101,
     PropertyShape::Joined, ReadBy::ValueChunk | ReadBy::PropertyStore | ReadBy::InfoTip,
     PreviewDetail::Fact},
    {&PKEY_Keywords, "System.Keywords", "Keywords", PropertySource::Exth, 105, PropertyShape::List,
     ReadBy::ValueChunk | ReadBy::PropertyStore, PreviewDetail::None},
    {&PKEY_Comment, "System.Comment", "Comment", PropertySource::Exth, 103, PropertyShape::Markup,
     ReadBy::ValueChunk | ReadBy::PropertyStore, PreviewDetail::Description},
    {&PKEY_Media_DateReleased, "System.Media.DateReleased", "Date released", PropertySource::Exth,
     106, PropertyShape::Joined, ReadBy::ValueChunk | ReadBy::PropertyStore, PreviewDetail::None},
    {&PKEY_Media_Year, "System.Media.Year", nullptr, PropertySource::Exth, 106, PropertyShape::Year,
     ReadBy::PropertyStore, PreviewDetail::Fact},
    {&PKEY_Language, "System.Language", "Language", PropertySource::Language, 524,
     PropertyShape::Joined, ReadBy::ValueChunk | ReadBy::PropertyStore, PreviewDetail::Fact},
    {&PKEY_Search_Contents, nullptr, "Contents", PropertySource::Text, 0, PropertyShape::Text, 0,
     PreviewDetail::None},
};

inline constexpr size_t BookPropertyRowCount =
    sizeof(BookPropertyRows) / sizeof(BookPropertyRows[0]);

// How many rows `reader` reads.
constexpr size_t CountBookProperties(unsigned reader) {
    size_t count = 0;
    for (const BookPropertyRow& row : BookPropertyRows) {
        count += (row.Readers & reader) != 0 ? 1 : 0;
    }
    return count;
}

// The row of `key`; null when the table has none.
inline const BookPropertyRow* FindBookProperty(const PROPERTYKEY& key) {
    for (const BookPropertyRow& row : BookPropertyRows) {
        if (IsEqualPropertyKey(*row.Key, key)) {
            return &row;
        }
    }
    return nullptr;
}
