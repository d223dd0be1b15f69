// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's metadata values and its locale, on books derived from a real one by editing its
// EXTH records and the locale field of its MOBI header.
#include "book/metadata/BookLocale.h"
#include "book/metadata/ValueText.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/PalmBook.h"
#include "tests/support/PrintedText.h"
#include "tests/support/TestNames.h"
#include "tests/support/Utf16Text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Where record 0 keeps the MOBI header's locale: 16 bytes of PalmDOC header, then 76 of the
// MOBI header.
constexpr size_t LocaleField = 92;

// harbor-kf8.azw3, as calibre wrote it: locale 9, EXTH 524 "en", a date, no publisher, no
// subjects, no description.
constexpr char Source[] = "harbor-kf8.azw3";

struct LocaleCase {
    const char* Name;
    long Header;          // the MOBI header's locale field; -1: as calibre wrote it (9)
    const char* Language; // EXTH 524's new string; null: as it is ("en")
    LCID Expected;
};

void PrintTo(const LocaleCase& row, std::ostream* os) {
    *os << row.Name << ": header "
        << (row.Header < 0 ? std::string("as written") : Hex(static_cast<uint32_t>(row.Header), 4))
        << ", EXTH 524 " << (row.Language == nullptr ? "as written" : QuotedBytes(row.Language))
        << ", locale " << Hex(row.Expected, 4);
}

class BookLocales : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(BookLocales, EveryChunkCarriesTheBooksLocale) {
    const LocaleCase& c = GetParam();
    PalmBook book(TestBook(Source));
    if (c.Header >= 0) {
        book.SetRecord0Field32(LocaleField, static_cast<uint32_t>(c.Header));
    }
    if (c.Language != nullptr) {
        ASSERT_TRUE(book.ReplaceExthString(EXTH_LANGUAGE, c.Language));
    }
    const DrainResult result = DrainBook(book.Bytes);
    ASSERT_GT(result.ValueCount(), 0u);
    ASSERT_GT(result.Chunks.size(), result.ValueCount());
    for (const DrainedChunk& chunk : result.Chunks) {
        EXPECT_EQ(chunk.Locale, c.Expected) << "chunk " << chunk.Id;
    }
    // The language value is the EXTH string, whatever the locale; an empty one is passed over.
    const std::string language = c.Language != nullptr ? c.Language : "en";
    const DrainedChunk& last = result.Chunks[result.ValueCount() - 1];
    EXPECT_EQ(last.Is(PKEY_Language), !language.empty());
    if (!language.empty()) {
        EXPECT_EQ(last.Content, Utf16(language));
    }
}

INSTANTIATE_TEST_SUITE_P(Books, BookLocales,
                         ::testing::Values(
                             // A bare primary language gets its default sublanguage.
                             LocaleCase{"EnglishAsWritten", -1, nullptr, 0x0409},
                             LocaleCase{"Japanese", 17, nullptr, 0x0411},
                             LocaleCase{"French", 12, nullptr, 0x040C},
                             LocaleCase{"Hebrew", 13, nullptr, 0x040D},
                             LocaleCase{"Arabic", 1, nullptr, 0x0401},
                             LocaleCase{"Sanskrit", 79, nullptr, 0x044F},
                             // Chinese has no neutral default: simplified Chinese.
                             LocaleCase{"Chinese", 4, nullptr, 0x0804},
                             // A region the header gives is kept; the header wins over EXTH 524.
                             LocaleCase{"CanadianFrench", 0x0C0C, nullptr, 0x0C0C},
                             LocaleCase{"TraditionalChinese", 0x0404, "zh", 0x0404},
                             LocaleCase{"HeaderBeforeLanguage", 17, "fr", 0x0411},
                             // Locale 0 (neutral), or one libmobi does not know: EXTH 524 decides.
                             LocaleCase{"NeutralWithJapanese", 0, "ja", 0x0411},
                             LocaleCase{"NeutralWithBritishEnglish", 0, "en-gb", 0x0809},
                             LocaleCase{"NeutralWithChinese", 0, "zh", 0x0804},
                             LocaleCase{"UnknownWithFrench", 0xFF, "fr", 0x040C},
                             LocaleCase{"UnknownRegionWithEnglish", 0x7C09, nullptr, 0x0409},
                             // Nothing known: neutral.
                             LocaleCase{"NeutralWithUnknownLanguage", 0, "xx", 0},
                             LocaleCase{"NeutralWithEmptyLanguage", 0, "", 0}),
                         NamedBy<&LocaleCase::Name>());

TEST(BookLocale, DefaultSublanguages) {
    const std::pair<size_t, LCID> cases[] = {
        {0, 0},      {9, 0x0409},      {0x0409, 0x0409}, {0x0809, 0x0809}, {17, 0x0411},
        {4, 0x0804}, {0x0404, 0x0404}, {0x0C04, 0x0C04}, {0x44F, 0x044F},  {79, 0x044F},
    };
    for (const auto& [locale, expected] : cases) {
        EXPECT_EQ(WithDefaultSublanguage(locale), expected) << locale;
    }
}

struct ExpectedValue {
    const PROPERTYKEY* Key;
    std::u16string Content;
};

struct MetadataCase {
    const char* Name;
    std::vector<std::pair<uint32_t, std::string>> Added; // EXTH records added, in order
    std::vector<ExpectedValue> Values;                   // after the title and the author
};

void PrintTo(const MetadataCase& row, std::ostream* os) {
    *os << row.Name << ": " << Counted(row.Added.size(), "record", "records") << " added, "
        << Counted(row.Values.size(), "value", "values") << " after the title and the author";
}

class BookMetadata : public ::testing::TestWithParam<MetadataCase> {};

TEST_P(BookMetadata, ValuesComeInTheirOrderBeforeTheText) {
    const MetadataCase& c = GetParam();
    PalmBook book(TestBook(Source));
    for (const auto& [tag, value] : c.Added) {
        ASSERT_TRUE(book.AddExthString(tag, value));
    }
    const DrainResult plain = DrainBook(TestBook(Source));
    const DrainResult result = DrainBook(book.Bytes);
    ASSERT_EQ(result.ValueCount(), 2 + c.Values.size());
    EXPECT_TRUE(result.Chunks[0].Is(PKEY_Title));
    EXPECT_TRUE(result.Chunks[1].Is(PKEY_Author));
    for (size_t i = 0; i < c.Values.size(); ++i) {
        const DrainedChunk& chunk = result.Chunks[2 + i];
        SCOPED_TRACE(::testing::Message() << "value " << i);
        EXPECT_EQ(chunk.Kind, CHUNK_VALUE);
        EXPECT_EQ(chunk.Break, CHUNK_NO_BREAK);
        EXPECT_TRUE(chunk.Is(*c.Values[i].Key));
        EXPECT_EQ(chunk.Content, c.Values[i].Content);
    }
    // The text is the book's, untouched by its metadata.
    ASSERT_EQ(result.Chunks.size() - result.ValueCount(), plain.Chunks.size() - plain.ValueCount());
    for (size_t i = 0; i < plain.Chunks.size() - plain.ValueCount(); ++i) {
        EXPECT_EQ(result.Chunks[result.ValueCount() + i].Content,
                  plain.Chunks[plain.ValueCount() + i].Content);
    }
}

const std::u16string Date = u"2026-12-07T23:47:39.944983+00:00";
const std::u16string English = u"en";

INSTANTIATE_TEST_SUITE_P(
    Books, BookMetadata,
    ::testing::Values(
        MetadataCase{
            "AsWritten", {}, {{&PKEY_Media_DateReleased, Date}, {&PKEY_Language, English}}},
        // The order is the sequence's, not the records'; several subjects are joined.
        MetadataCase{"EveryField",
                     {{EXTH_SUBJECT, "Semantics"},
                      {EXTH_DESCRIPTION, "<p>A <b>short</b> tale.</p>"},
                      {EXTH_PUBLISHER, "Kestle Press"},
                      {EXTH_SUBJECT, "Tides"}},
                     {{&PKEY_Media_Publisher, u"Kestle Press"},
                      {&PKEY_Keywords, u"Semantics; Tides"},
                      {&PKEY_Comment, u"A short tale."},
                      {&PKEY_Media_DateReleased, Date},
                      {&PKEY_Language, English}}},
        // Empty strings are passed over; an empty subject stays in the join. (libmobi drops
        // a record with no data at all: an empty string is a record of one zero byte.)
        MetadataCase{"EmptyValues",
                     {{EXTH_PUBLISHER, std::string(1, '\0')},
                      {EXTH_SUBJECT, "One"},
                      {EXTH_SUBJECT, std::string(1, '\0')},
                      {EXTH_SUBJECT, "Two"},
                      {EXTH_DESCRIPTION, ""}},
                     {{&PKEY_Keywords, u"One; ; Two"},
                      {&PKEY_Media_DateReleased, Date},
                      {&PKEY_Language, English}}},
        // A description is markup: tags go, entities (libmobi decodes one level) are decoded,
        // block tags separate words, and the space around it is trimmed.
        MetadataCase{"DescriptionAsMarkup",
                     {{EXTH_DESCRIPTION,
                       "\r\n  &lt;div&gt;&lt;p&gt;Tom &amp;amp; Jerry&lt;/p&gt;&lt;ul&gt;&lt;li&gt;"
                       "one&lt;/li&gt;&lt;li&gt;two&lt;/li&gt;&lt;/ul&gt;&lt;/div&gt; \t\n"}},
                     {{&PKEY_Comment, u"Tom & Jerry\none\ntwo"},
                      {&PKEY_Media_DateReleased, Date},
                      {&PKEY_Language, English}}},
        // Plain text keeps its line breaks inside; a '<' that opens a tag takes it away.
        MetadataCase{"DescriptionAsPlainText",
                     {{EXTH_DESCRIPTION, "First line.\nSecond <line> here.  "}},
                     {{&PKEY_Comment, u"First line.\nSecond  here."},
                      {&PKEY_Media_DateReleased, Date},
                      {&PKEY_Language, English}}},
        // Nothing but markup and space: no description.
        MetadataCase{"DescriptionWithoutText",
                     {{EXTH_DESCRIPTION, " <p> </p>\n<br/> "}},
                     {{&PKEY_Media_DateReleased, Date}, {&PKEY_Language, English}}}),
    NamedBy<&MetadataCase::Name>());

struct CutCase {
    const char* Name;
    std::string Markup;
    std::u16string Expected;
};

TEST(BookMetadata, LongValuesAreCutAtAWholeCharacterAfterTrimming) {
    const std::string emoji = "\xf0\x9f\x98\x80"; // two units
    const CutCase cases[] = {
        {"Fits", "  " + std::string(1023, 'a') + "  ", std::u16string(1023, u'a')},
        {"Longer", std::string(1500, 'b'), std::u16string(1023, u'b')},
        // The trimming comes first: the leading space does not count.
        {"TrimmedThenCut", std::string(30, ' ') + std::string(1030, 'c'),
         std::u16string(1023, u'c')},
        // A pair that would straddle the cut is left out whole; what stays is not trimmed
        // again.
        {"PairAtTheCut", std::string(1021, 'd') + " " + emoji + "tail",
         std::u16string(1021, u'd') + u" "},
    };
    for (const CutCase& c : cases) {
        CoTaskMemPtr<WCHAR> text;
        ASSERT_EQ(ConvertValueText(c.Markup.c_str(), ValueForm::Markup, 1023, text), S_OK)
            << c.Name;
        EXPECT_EQ(std::u16string(text.Get()), c.Expected) << c.Name;
    }
    CoTaskMemPtr<WCHAR> text;
    ASSERT_EQ(ConvertValueText("", ValueForm::Markup, 1023, text), S_OK);
    EXPECT_EQ(text.Get()[0], 0);
    // Plain text is neither converted from markup nor trimmed, and cut by the same rule.
    const std::string plain = " <b>" + std::string(1018, 'e') + emoji;
    ASSERT_EQ(ConvertValueText(plain.c_str(), ValueForm::Plain, 1023, text), S_OK);
    EXPECT_EQ(std::u16string(text.Get()), u" <b>" + std::u16string(1018, u'e'));
    ASSERT_EQ(ConvertValueText(plain.c_str(), ValueForm::Plain, UncutValue, text), S_OK);
    EXPECT_EQ(std::u16string(text.Get()).size(), 1024u);
}

} // namespace
