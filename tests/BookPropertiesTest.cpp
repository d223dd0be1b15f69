// SPDX-License-Identifier: LGPL-3.0-or-later
// The property handler's properties: on the test books, against the filter's values of the same
// books, and on books derived from a real one by editing its EXTH records.
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/MakeBookPropertyStore.h"
#include "tests/support/PalmBook.h"
#include "tests/support/PrintedText.h"
#include "tests/support/TestNames.h"
#include "tests/support/Utf16Text.h"
#include "tools/common/Utf16ToUtf8.h"

#include <gtest/gtest.h>
#include <mobi.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string Utf8(const std::u16string& text) {
    std::string utf8;
    AppendUtf8(utf8, text.data(), text.size());
    return utf8;
}

std::vector<StoredProperty> PropertiesOf(const std::vector<unsigned char>& bytes) {
    RecordingStream stream(bytes);
    ComPtr<IPropertyStore> store;
    EXPECT_EQ(MakeBookPropertyStore(&stream, store), S_OK);
    if (!store) {
        return {};
    }
    return ReadStore(store.Get());
}

// What a test expects of one property: strings (one for VT_LPWSTR) or a year.
struct Expected {
    const PROPERTYKEY* Key;
    std::vector<std::string> Strings;
    ULONG Year = 0;
};

void ExpectProperties(const std::vector<StoredProperty>& actual,
                      const std::vector<Expected>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "property " << i);
        EXPECT_TRUE(IsEqualPropertyKey(actual[i].Key, *expected[i].Key));
        const bool vector = expected[i].Key == &PKEY_Author || expected[i].Key == &PKEY_Keywords;
        if (expected[i].Key == &PKEY_Media_Year) {
            EXPECT_EQ(actual[i].Type, VT_UI4);
            EXPECT_EQ(actual[i].Number, expected[i].Year);
            continue;
        }
        EXPECT_EQ(actual[i].Type, vector ? (VT_VECTOR | VT_LPWSTR) : VT_LPWSTR);
        std::vector<std::string> strings;
        for (const std::u16string& text : actual[i].Strings) {
            strings.push_back(Utf8(text));
        }
        EXPECT_EQ(strings, expected[i].Strings);
    }
}

struct BookCase {
    const char* Book;
    std::vector<Expected> Properties;
};

void PrintTo(const BookCase& row, std::ostream* os) {
    *os << row.Book << ": " << Counted(row.Properties.size(), "property", "properties");
}

class TestBookProperties : public ::testing::TestWithParam<BookCase> {};

TEST_P(TestBookProperties, EveryPropertyTheBookHas) {
    ExpectProperties(PropertiesOf(TestBook(GetParam().Book)), GetParam().Properties);
}

const char LexiqueDescription[] =
    "Un lexique des mots du marais, tenu par une paludi\u00e8re de la Gr\u00e8ve : le sel, "
    "l\u2019eau, les plantes, de la salicorne \u00e0 la quillwort.\nPr\u00e9face de "
    "l\u2019auteure.";

INSTANTIATE_TEST_SUITE_P(
    Books, TestBookProperties,
    ::testing::Values(BookCase{"harbor-kf8.azw3",
                               {{&PKEY_Title, {"The Harbor Lanterns"}},
                                {&PKEY_Author, {"Mira Tolvane"}},
                                {&PKEY_Media_DateReleased, {"2026-12-07T23:47:39.944983+00:00"}},
                                {&PKEY_Media_Year, {}, 2026},
                                {&PKEY_Language, {"en"}}}},
                      BookCase{"harbor-noauthor-kf7.mobi",
                               {{&PKEY_Title, {"The Harbor Lanterns"}},
                                {&PKEY_Media_DateReleased, {"2026-12-07T23:47:38.684506+00:00"}},
                                {&PKEY_Media_Year, {}, 2026},
                                {&PKEY_Language, {"en"}}}},
                      BookCase{"duet-kf8.azw",
                               {{&PKEY_Title, {"Caf\u00e9 Stories \u2014 \u00dcber Alles"}},
                                {&PKEY_Author, {"Ana Brel", "Piet Vos"}},
                                {&PKEY_Media_DateReleased, {"2026-12-07T23:47:41.937251+00:00"}},
                                {&PKEY_Media_Year, {}, 2026},
                                {&PKEY_Language, {"en"}}}},
                      // A PalmDOC book: the database name alone.
                      BookCase{"palmdoc-drm-v1.prc", {{&PKEY_Title, {"Salt Road Notes"}}}},
                      BookCase{"markup/lexique-kf8.azw3",
                               {{&PKEY_Title, {"Le Lexique des marais"}},
                                {&PKEY_Author, {"\u00c9lo\u00efse Marchand"}},
                                {&PKEY_Media_Publisher, {"\u00c9ditions de la Gr\u00e8ve"}},
                                {&PKEY_Keywords,
                                 {"Semantics", "Marais salants", "Botanique c\u00f4ti\u00e8re"}},
                                {&PKEY_Comment, {LexiqueDescription}},
                                {&PKEY_Media_DateReleased, {"2024-03-15T00:00:00+00:00"}},
                                {&PKEY_Media_Year, {}, 2024},
                                {&PKEY_Language, {"fr"}}}},
                      BookCase{"markup/kaze-kf8.azw3",
                               {{&PKEY_Title, {"\u98a8\u306e\u540d\u524d\u5e33"}},
                                {&PKEY_Author, {"\u68ee\u7530\u8475"}},
                                {&PKEY_Media_Publisher, {"\u6f6e\u898b\u66f8\u623f"}},
                                {&PKEY_Keywords, {"\u8a00\u8a9e\u5b66"}},
                                {&PKEY_Media_DateReleased, {"2023-11-03T00:00:00+00:00"}},
                                {&PKEY_Media_Year, {}, 2023},
                                {&PKEY_Language, {"ja"}}}}),
    NamedBy<&BookCase::Book>());

// Where both give a property, the handler's value is the filter's: the same strings, the lists
// joined as the filter joins them. The filter cuts at 1023 units; no test book comes near.
class SameAsTheFilter : public ::testing::TestWithParam<const char*> {};

TEST_P(SameAsTheFilter, ValuesMatchTheFiltersChunks) {
    const std::vector<unsigned char> bytes = TestBook(GetParam());
    const DrainResult drained = DrainBook(bytes);
    const std::vector<StoredProperty> properties = PropertiesOf(bytes);
    size_t compared = 0;
    for (const StoredProperty& property : properties) {
        if (property.Type == VT_UI4) {
            continue;
        }
        std::u16string joined;
        for (size_t i = 0; i < property.Strings.size(); ++i) {
            joined += (i == 0 ? u"" : u"; ") + property.Strings[i];
        }
        for (size_t i = 0; i < drained.ValueCount(); ++i) {
            if (drained.Chunks[i].Is(property.Key)) {
                EXPECT_EQ(Utf8(drained.Chunks[i].Content), Utf8(joined));
                ++compared;
            }
        }
    }
    // Every value the filter gives that is not empty is a property.
    size_t notEmpty = 0;
    for (size_t i = 0; i < drained.ValueCount(); ++i) {
        notEmpty += drained.Chunks[i].Content.empty() ? 0 : 1;
    }
    EXPECT_EQ(compared, notEmpty);
}

INSTANTIATE_TEST_SUITE_P(Books, SameAsTheFilter,
                         ::testing::Values("harbor-hybrid.mobi", "harbor-kf7.mobi",
                                           "harbor-kf8.azw3", "harbor-noauthor-kf7.mobi",
                                           "duet-kf8.azw", "ledger-large-kf7.mobi",
                                           "ledger-large-kf8.azw3", "palmdoc-drm-v1.prc",
                                           "markup/almanac-kf7.mobi", "markup/almanac-kf8.azw3",
                                           "markup/kaze-kf7.mobi", "markup/kaze-kf8.azw3",
                                           "markup/lexique-kf7.mobi", "markup/lexique-kf8.azw3",
                                           "markup/tides-kf7.mobi", "markup/tides-kf8.azw3"),
                         TestBookName);

// A book derived from harbor-kf8.azw3 (title, one author, a date, "en"): records replaced,
// then records added.
struct DerivedCase {
    const char* Name;
    std::vector<std::pair<uint32_t, std::string>> Replaced;
    std::vector<std::pair<uint32_t, std::string>> Added;
    std::vector<Expected> Properties;
};

void PrintTo(const DerivedCase& row, std::ostream* os) {
    *os << row.Name << ": " << Counted(row.Replaced.size(), "record", "records") << " replaced, "
        << Counted(row.Added.size(), "record", "records") << " added, "
        << Counted(row.Properties.size(), "property", "properties");
}

class DerivedBookProperties : public ::testing::TestWithParam<DerivedCase> {};

TEST_P(DerivedBookProperties, PropertiesFollowTheRecords) {
    const DerivedCase& c = GetParam();
    PalmBook book(TestBook("harbor-kf8.azw3"));
    for (const auto& [tag, value] : c.Replaced) {
        ASSERT_TRUE(book.ReplaceExthString(tag, value));
    }
    for (const auto& [tag, value] : c.Added) {
        ASSERT_TRUE(book.AddExthString(tag, value));
    }
    ExpectProperties(PropertiesOf(book.Bytes), c.Properties);
}

const Expected Title{&PKEY_Title, {"The Harbor Lanterns"}};
const Expected Author{&PKEY_Author, {"Mira Tolvane"}};
const Expected English{&PKEY_Language, {"en"}};
const std::string LongDescription(3000, 'w');
// A record that decodes to an empty string (a record of no bytes does not decode at all).
const std::string Nul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Books, DerivedBookProperties,
    ::testing::Values(
        // An empty author is no entry; the others keep the book's order.
        DerivedCase{"SeveralAuthorsWithAnEmptyOne",
                    {{EXTH_PUBLISHINGDATE, "1999"}},
                    {{EXTH_AUTHOR, Nul}, {EXTH_AUTHOR, "Zed Aubel"}, {EXTH_AUTHOR, "Ann Cole"}},
                    {Title,
                     {&PKEY_Author, {"Mira Tolvane", "Zed Aubel", "Ann Cole"}},
                     {&PKEY_Media_DateReleased, {"1999"}},
                     {&PKEY_Media_Year, {}, 1999},
                     English}},
        DerivedCase{
            "OnlyAnEmptyAuthor",
            {{EXTH_AUTHOR, Nul}, {EXTH_PUBLISHINGDATE, "2024"}},
            {},
            {Title, {&PKEY_Media_DateReleased, {"2024"}}, {&PKEY_Media_Year, {}, 2024}, English}},
        // Several publishers are joined as the filter joins them: the empty one kept, the one
        // that does not decode skipped.
        DerivedCase{"PublishersJoined",
                    {{EXTH_PUBLISHINGDATE, "0999-01-01"}},
                    {{EXTH_PUBLISHER, "North"},
                     {EXTH_PUBLISHER, Nul},
                     {EXTH_PUBLISHER, ""},
                     {EXTH_PUBLISHER, "South"}},
                    {Title,
                     Author,
                     {&PKEY_Media_Publisher, {"North; ; South"}},
                     {&PKEY_Media_DateReleased, {"0999-01-01"}},
                     English}},
        DerivedCase{"SubjectsWithAnEmptyOne",
                    {{EXTH_PUBLISHINGDATE, "March 2020"}},
                    {{EXTH_SUBJECT, "Tides"}, {EXTH_SUBJECT, ""}, {EXTH_SUBJECT, "Lamps"}},
                    {Title,
                     Author,
                     {&PKEY_Keywords, {"Tides", "Lamps"}},
                     {&PKEY_Media_DateReleased, {"March 2020"}},
                     English}},
        // Markup converted and trimmed; no cut at 1023 units.
        DerivedCase{"HtmlDescription",
                    {{EXTH_PUBLISHINGDATE, "1000"}},
                    {{EXTH_DESCRIPTION, " <p>Salt &amp;amp; <b>light</b></p><p>Two</p>\n "}},
                    {Title,
                     Author,
                     {&PKEY_Comment, {"Salt & light\nTwo"}},
                     {&PKEY_Media_DateReleased, {"1000"}},
                     {&PKEY_Media_Year, {}, 1000},
                     English}},
        DerivedCase{"LongDescriptionIsWhole",
                    {{EXTH_PUBLISHINGDATE, "202"}},
                    {{EXTH_DESCRIPTION, LongDescription}},
                    {Title,
                     Author,
                     {&PKEY_Comment, {LongDescription}},
                     {&PKEY_Media_DateReleased, {"202"}},
                     English}},
        DerivedCase{"DescriptionOfTagsAlone",
                    {{EXTH_PUBLISHINGDATE, "12345"}},
                    {{EXTH_DESCRIPTION, "<p> </p>"}},
                    {Title,
                     Author,
                     {&PKEY_Media_DateReleased, {"12345"}},
                     {&PKEY_Media_Year, {}, 1234},
                     English}},
        // An empty language and an empty date are left out; no fallback replaces them.
        DerivedCase{"EmptyDateAndLanguage",
                    {{EXTH_PUBLISHINGDATE, Nul}, {EXTH_LANGUAGE, Nul}},
                    {},
                    {Title, Author}},
        // A record of no bytes does not decode (libmobi skips it): the locale's name stands in.
        DerivedCase{"LanguageOfNoBytes",
                    {{EXTH_PUBLISHINGDATE, ""}, {EXTH_LANGUAGE, ""}},
                    {},
                    {Title, Author, English}},
        DerivedCase{"DateWithASignBeforeItsDigits",
                    {{EXTH_PUBLISHINGDATE, "+2024-01-01"}},
                    {},
                    {Title, Author, {&PKEY_Media_DateReleased, {"+2024-01-01"}}, English}}),
    NamedBy<&DerivedCase::Name>());

} // namespace
