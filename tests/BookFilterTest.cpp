// SPDX-License-Identifier: LGPL-3.0-or-later
// The book filter on real books, on books derived from them, and on the IFilter protocol.
#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/PalmBook.h"
#include "tests/support/PrintedText.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"
#include "tests/support/TestNames.h"
#include "tests/support/Utf16Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr PROPID TitleId = 2;
constexpr PROPID AuthorId = 4;
constexpr PROPID ContentsId = 19;

struct ExpectedValue {
    const PROPERTYKEY* Key;
    std::u16string Content;
};

struct SequenceCase {
    const char* File;
    std::vector<ExpectedValue> Values;
    size_t TextChunks;
    LCID Locale = 0x0409; // English (United States)
};

void PrintTo(const SequenceCase& row, std::ostream* os) {
    *os << row.File << ": " << Counted(row.Values.size(), "value", "values") << ", "
        << Counted(row.TextChunks, "text chunk", "text chunks") << ", locale "
        << Hex(row.Locale, 4);
}

const std::u16string English = u"en";

class BookSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(BookSequence, ValuesThenOneTextChunkPerHtmlPartAllInTheBooksLocale) {
    const SequenceCase& c = GetParam();
    BoundFilter bound(TestBook(c.File));
    ASSERT_EQ(bound.Bound, S_OK);
    const DrainResult result = DrainFilter(bound.Filter.Get());
    EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);

    ASSERT_EQ(result.Chunks.size(), c.Values.size() + c.TextChunks);
    for (size_t i = 0; i < result.Chunks.size(); ++i) {
        const DrainedChunk& chunk = result.Chunks[i];
        SCOPED_TRACE(::testing::Message() << "chunk " << i + 1);
        EXPECT_EQ(chunk.Id, i + 1);
        EXPECT_EQ(chunk.Locale, c.Locale);
        if (i < c.Values.size()) {
            EXPECT_EQ(chunk.Kind, CHUNK_VALUE);
            EXPECT_TRUE(chunk.Is(*c.Values[i].Key));
            EXPECT_EQ(chunk.Content, c.Values[i].Content);
            EXPECT_EQ(chunk.Break, CHUNK_NO_BREAK);
        } else {
            EXPECT_EQ(chunk.Kind, CHUNK_TEXT);
            EXPECT_TRUE(chunk.Is(PKEY_Search_Contents));
            EXPECT_FALSE(chunk.Content.empty());
            // Two parts are two passages: the host never joins their words.
            EXPECT_EQ(chunk.Break, CHUNK_EOP);
        }
    }
    // The end stays the end.
    STAT_CHUNK stat;
    EXPECT_EQ(bound.Filter->GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(bound.Filter->GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
}

const std::u16string Harbor = u"The Harbor Lanterns";
const std::u16string Mira = u"Mira Tolvane";

// calibre writes the conversion's time as the publication date, and the language.
INSTANTIATE_TEST_SUITE_P(
    Fixtures, BookSequence,
    ::testing::Values(SequenceCase{"harbor-kf7.mobi",
                                   {{&PKEY_Title, Harbor},
                                    {&PKEY_Author, Mira},
                                    {&PKEY_Media_DateReleased, u"2026-12-07T23:47:38.684506+00:00"},
                                    {&PKEY_Language, English}},
                                   1},
                      SequenceCase{"harbor-kf8.azw3",
                                   {{&PKEY_Title, Harbor},
                                    {&PKEY_Author, Mira},
                                    {&PKEY_Media_DateReleased, u"2026-12-07T23:47:39.944983+00:00"},
                                    {&PKEY_Language, English}},
                                   4},
                      SequenceCase{"harbor-hybrid.mobi",
                                   {{&PKEY_Title, Harbor},
                                    {&PKEY_Author, Mira},
                                    {&PKEY_Media_DateReleased, u"2026-12-07T23:47:40.963991+00:00"},
                                    {&PKEY_Language, English}},
                                   4},
                      SequenceCase{"duet-kf8.azw",
                                   {{&PKEY_Title, Utf16("Caf\xc3\xa9 Stories \xe2\x80\x94 \xc3\x9c"
                                                        "ber Alles")},
                                    {&PKEY_Author, u"Ana Brel; Piet Vos"},
                                    {&PKEY_Media_DateReleased, u"2026-12-07T23:47:41.937251+00:00"},
                                    {&PKEY_Language, English}},
                                   3},
                      SequenceCase{"harbor-noauthor-kf7.mobi",
                                   {{&PKEY_Title, Harbor},
                                    {&PKEY_Media_DateReleased, u"2026-12-07T23:47:38.684506+00:00"},
                                    {&PKEY_Language, English}},
                                   1}),
    NamedBy<&SequenceCase::File>());

TEST(BookFilter, TextOfTheOldFormatBookIsPlainText) {
    BoundFilter bound(TestBook("harbor-kf7.mobi"));
    const DrainResult result = DrainFilter(bound.Filter.Get());
    ASSERT_EQ(result.Chunks.size(), 5u);
    const std::u16string& text = result.Chunks[4].Content;
    EXPECT_EQ(text.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(text.find(u"\n\n\n"), std::u16string::npos);
    EXPECT_EQ(text.back(), u'\n');
}

TEST(BookFilter, HybridBookGivesTheTextOfItsNewFormatPart) {
    const DrainResult hybrid = DrainBook(TestBook("harbor-hybrid.mobi"));
    const DrainResult kf8 = DrainBook(TestBook("harbor-kf8.azw3"));
    ASSERT_EQ(hybrid.Chunks.size(), kf8.Chunks.size());
    for (size_t i = kf8.ValueCount(); i < kf8.Chunks.size(); ++i) {
        EXPECT_EQ(hybrid.Chunks[i].Content, kf8.Chunks[i].Content);
    }
}

TEST(BookFilter, SmallBuffersGiveTheSameText) {
    const DrainResult whole = DrainBook(TestBook("harbor-kf8.azw3"));
    for (ULONG size : {2u, 3u, 7u}) {
        const DrainResult portions =
            DrainFilter(BoundFilter(TestBook("harbor-kf8.azw3")).Filter.Get(), size);
        ASSERT_EQ(portions.Chunks.size(), whole.Chunks.size());
        for (size_t i = 0; i < whole.Chunks.size(); ++i) {
            EXPECT_EQ(portions.Chunks[i].Content, whole.Chunks[i].Content) << size;
        }
    }
}

// What record 0 says about encryption, in Mobipocket and PalmDOC books. A PalmDOC record 0
// keeps a reading position where libmobi reads the encryption type; only a DRM v1 book, whose
// record 0 holds the key, is decrypted.
enum class Source {
    DrmV1Book,  // testdata/palmdoc-drm-v1.prc, PalmDOC with DRM v1 and a 65-byte record 0
    PalmDoc,    // a plain PalmDOC book made here, with a 16-byte record 0
    Mobipocket, // harbor-kf7.mobi
};

enum class Outcome {
    Text,       // the plain text, whole
    NotTheText, // not even the first line of the plain text
    ValuesOnly, // encrypted: title and author, no text
};

struct EncryptionCase {
    const char* Name;
    Source From;
    int Field;            // the 16-bit field at offset 12 of record 0; -1: as it is
    size_t Record0Length; // record 0 cut or padded to this length; 0: as it is
    Outcome Expected;
};

// For gtest's messages: the name and what is changed of record 0.
void PrintTo(const EncryptionCase& row, std::ostream* os) {
    *os << row.Name << ": offset 12 "
        << (row.Field < 0 ? std::string("as it is") : "set to " + std::to_string(row.Field))
        << ", record 0 "
        << (row.Record0Length == 0 ? std::string("as it is")
                                   : "of " + std::to_string(row.Record0Length) + " bytes");
}

constexpr char PalmDocMarkup[] = "<html><body><p>Tide &amp; time</p></body></html>";

class EncryptionField : public ::testing::TestWithParam<EncryptionCase> {};

TEST_P(EncryptionField, DecidesBetweenTextAndValuesOnly) {
    const EncryptionCase& c = GetParam();
    PalmBook book = c.From == Source::DrmV1Book ? PalmBook(TestBook("palmdoc-drm-v1.prc"))
                    : c.From == Source::PalmDoc ? PalmBook::MakePalmDoc("Palm Notes", PalmDocMarkup)
                                                : PalmBook(TestBook("harbor-kf7.mobi"));
    if (c.Field >= 0) {
        book.SetRecord0Field16(12, static_cast<uint16_t>(c.Field));
    }
    if (c.Record0Length != 0) {
        book.ResizeRecord(0, c.Record0Length);
    }
    std::u16string plain = u"\nTide & time\n";
    if (c.From == Source::DrmV1Book) {
        // The text the book was made from.
        const std::vector<unsigned char> source = TestBook("sources/palmdoc-drm-v1.txt");
        plain = Utf16(std::string(source.begin(), source.end()));
    }

    BoundFilter bound(book.Bytes);
    ASSERT_EQ(bound.Bound, S_OK);
    const DrainResult result = DrainFilter(bound.Filter.Get());
    EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);
    std::u16string text;
    size_t values = 0;
    for (const DrainedChunk& chunk : result.Chunks) {
        if (chunk.Kind == CHUNK_TEXT) {
            text += chunk.Content;
        } else {
            ++values;
        }
    }
    // A PalmDOC book has a title alone; the Mobipocket one an author, a date and a language too.
    EXPECT_EQ(values, c.From == Source::Mobipocket ? 4u : 1u);
    switch (c.Expected) {
    case Outcome::Text:
        EXPECT_EQ(text, plain);
        break;
    case Outcome::NotTheText:
        EXPECT_EQ(text.find(plain.substr(0, plain.find(u'\n'))), std::u16string::npos);
        break;
    case Outcome::ValuesOnly:
        // An encrypted book keeps its values: they are outside the encrypted text.
        EXPECT_EQ(result.Chunks.size(), 4u);
        EXPECT_EQ(result.ValueCount(), 4u);
        EXPECT_EQ(result.Chunks[0].Property, TitleId);
        EXPECT_EQ(result.Chunks[1].Property, AuthorId);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Books, EncryptionField,
    ::testing::Values(
        // libmobi reads the key of a DRM v1 book from record 0 and decrypts it by itself.
        EncryptionCase{"DrmV1Book", Source::DrmV1Book, -1, 0, Outcome::Text},
        EncryptionCase{"DrmV1Record0EndsWithTheKey", Source::DrmV1Book, -1, 30, Outcome::Text},
        // One byte short of the key: the field is a reading position, the encrypted bytes are
        // read as they are.
        EncryptionCase{"DrmV1Record0CutInsideTheKey", Source::DrmV1Book, -1, 29,
                       Outcome::NotTheText},
        // PalmDOC books last read at 0, 64 KiB, 128 KiB and 192 KiB.
        EncryptionCase{"PalmDocPosition0", Source::PalmDoc, 0, 0, Outcome::Text},
        EncryptionCase{"PalmDocPosition64K", Source::PalmDoc, 1, 0, Outcome::Text},
        EncryptionCase{"PalmDocPosition128K", Source::PalmDoc, 2, 0, Outcome::Text},
        EncryptionCase{"PalmDocPosition192K", Source::PalmDoc, 3, 0, Outcome::Text},
        EncryptionCase{"PalmDocType1Record0Of29Bytes", Source::PalmDoc, 1, 29, Outcome::Text},
        // No DRM header can exist without a Mobipocket header, whatever room record 0 has.
        EncryptionCase{"PalmDocType2Record0Of65Bytes", Source::PalmDoc, 2, 65, Outcome::Text},
        // Mobipocket DRM: title and author only.
        EncryptionCase{"MobipocketDrmV1", Source::Mobipocket, 1, 0, Outcome::ValuesOnly},
        EncryptionCase{"MobipocketDrmV2", Source::Mobipocket, 2, 0, Outcome::ValuesOnly}),
    NamedBy<&EncryptionCase::Name>());

TEST(BookFilter, MobipocketBookRelabelledTextReadGivesNoError) {
    // Loaded, its values given, nothing else, no error.
    PalmBook relabelled(TestBook("harbor-kf7.mobi"));
    relabelled.SetDatabaseType("TEXt");
    BoundFilter bound(relabelled.Bytes);
    ASSERT_EQ(bound.Bound, S_OK);
    EXPECT_EQ(DrainFilter(bound.Filter.Get()).End, FILTER_E_END_OF_CHUNKS);
}

// The book a stream cut at `cut` is read as: the whole book whose table lists only the records
// before the first that does not lie wholly before the cut (the last record runs to the end,
// so a cut inside it leaves every record whole), written out as a file of its own; or, with
// `before` set, the same with the table ending before record `before` too.
std::vector<unsigned char> TableEndedAt(const std::vector<unsigned char>& whole, size_t cut,
                                        size_t before = SIZE_MAX) {
    const PalmBook book(whole);
    size_t kept = book.RecordCount();
    for (size_t i = 1; i < book.RecordCount(); ++i) {
        if (book.RecordOffset(i) > cut) {
            kept = i - 1;
            break;
        }
    }
    kept = std::min(kept, before);
    std::vector<unsigned char> copy(
        whole.begin(), whole.begin() + (kept < book.RecordCount() ? book.RecordOffset(kept)
                                                                  : static_cast<uint32_t>(cut)));
    copy[76] = static_cast<unsigned char>(kept >> 8);
    copy[77] = static_cast<unsigned char>(kept);
    return copy;
}

std::vector<std::u16string> TextsOf(const DrainResult& result) {
    std::vector<std::u16string> texts;
    for (size_t i = result.ValueCount(); i < result.Chunks.size(); ++i) {
        texts.push_back(result.Chunks[i].Content);
    }
    return texts;
}

struct CutCase {
    const char* File;
    // A hybrid's BOUNDARY record. Cut before its KF8 record 0 is whole, a hybrid is its KF7
    // half, a book whose table ends before the boundary; where its KF8 text cannot be read,
    // its text is that half's.
    size_t Boundary = SIZE_MAX;
};

void PrintTo(const CutCase& row, std::ostream* os) {
    *os << row.File;
    if (row.Boundary != SIZE_MAX) {
        *os << ", BOUNDARY at record " << row.Boundary;
    }
}

class CutStreams : public ::testing::TestWithParam<CutCase> {};

// libmobi reads a stream cut inside record 0 (the headers) as nothing; cut anywhere later,
// the book gives what the whole book would give with its table ending before the record the
// cut falls in: its values, and the text libmobi rebuilds from the records kept.
TEST_P(CutStreams, FailToBindOrYieldWhatTheyHold) {
    const std::vector<unsigned char> whole = TestBook(GetParam().File);
    const PalmBook book(whole);
    std::vector<size_t> cuts;
    for (size_t cut = 0; cut < whole.size(); cut += (cut < 1024 ? 7 : 331)) {
        cuts.push_back(cut);
    }
    // At each record's start and a byte either side of it.
    for (size_t i = 1; i < book.RecordCount(); ++i) {
        for (const size_t cut :
             {book.RecordOffset(i) - 1, book.RecordOffset(i) + 0u, book.RecordOffset(i) + 1u}) {
            cuts.push_back(cut);
        }
    }
    for (const size_t cut : cuts) {
        SCOPED_TRACE(::testing::Message() << "cut at " << cut);
        BoundFilter bound(std::vector<unsigned char>(whole.begin(), whole.begin() + cut));
        // Whatever the binding said, the object answers and is released cleanly.
        const DrainResult result = DrainFilter(bound.Filter.Get(), 5);
        if (cut < book.RecordOffset(1)) {
            EXPECT_EQ(bound.Bound, E_FAIL);
            continue;
        }
        ASSERT_EQ(bound.Bound, S_OK);
        EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);
        const size_t boundary = GetParam().Boundary;
        const bool hybrid = boundary < book.RecordCount();
        const DrainResult rewritten = DrainBook(TableEndedAt(
            whole, cut, hybrid && cut < book.RecordOffset(boundary + 2) ? boundary : SIZE_MAX));
        std::vector<std::u16string> texts = TextsOf(rewritten);
        if (texts.empty() && hybrid && cut >= book.RecordOffset(boundary + 2)) {
            texts = TextsOf(DrainBook(TableEndedAt(whole, cut, boundary)));
            EXPECT_FALSE(texts.empty());
        }
        EXPECT_EQ(TextsOf(result), texts);
        ASSERT_EQ(result.ValueCount(), rewritten.ValueCount());
        for (size_t i = 0; i < rewritten.ValueCount(); ++i) {
            EXPECT_EQ(result.Chunks[i].Content, rewritten.Chunks[i].Content);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Books, CutStreams,
                         ::testing::Values(CutCase{"harbor-kf7.mobi"}, CutCase{"harbor-kf8.azw3"},
                                           CutCase{"harbor-hybrid.mobi", 9}),
                         NamedBy<&CutCase::File>());

TEST(BookFilter, NotABookFailsToBind) {
    PalmBook other(TestBook("harbor-kf7.mobi"));
    other.SetDatabaseType("DATA");
    EXPECT_EQ(BoundFilter(other.Bytes).Bound, E_FAIL);
    EXPECT_EQ(BoundFilter({}).Bound, E_FAIL);
    EXPECT_EQ(BoundFilter(std::vector<unsigned char>(77, 0)).Bound, E_FAIL);
    // A database header that announces no records, alone or followed by the book's bytes.
    for (size_t kept : {size_t{78}, size_t{86}, other.Bytes.size()}) {
        PalmBook empty(TestBook("harbor-kf7.mobi"));
        empty.Bytes[76] = 0;
        empty.Bytes[77] = 0;
        empty.Bytes.resize(kept);
        BoundFilter bound(empty.Bytes);
        EXPECT_EQ(bound.Bound, E_FAIL) << kept;
        // What the header gave is still there: the database name serves as the title.
        const DrainResult result = DrainFilter(bound.Filter.Get());
        ASSERT_EQ(result.Chunks.size(), 1u) << kept;
        EXPECT_EQ(result.Chunks[0].Property, TitleId);
        EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);
    }
}

// A part whose text comes out empty (its first byte is zero) is passed over: the call that
// reached it hands out the next part's text, and no id is lost.
TEST(BookFilter, APartWithoutTextIsPassedOverWithinTheSameCall) {
    const DrainResult whole = DrainBook(TestBook("harbor-kf8.azw3"));
    PalmBook book(TestBook("harbor-kf8.azw3"));
    // The first byte of the first text record is a literal '<' in the compressed text; a
    // literal zero there becomes the first byte of the first part.
    const uint32_t firstText = book.RecordOffset(1);
    ASSERT_EQ(book.Bytes[firstText], '<');
    book.Bytes[firstText] = 0;
    BoundFilter bound(book.Bytes);
    ASSERT_EQ(bound.Bound, S_OK);
    STAT_CHUNK stat;
    ASSERT_EQ(bound.Filter->Init(0, 0, nullptr, nullptr), S_OK);
    const size_t values = whole.ValueCount();
    for (ULONG id = 1; id <= values; ++id) {
        ASSERT_EQ(bound.Filter->GetChunk(&stat), S_OK);
        PropVariantBlock value;
        ASSERT_EQ(bound.Filter->GetValue(value.Put()), S_OK);
    }
    const DrainResult rest = DrainFilter(bound.Filter.Get());
    ASSERT_EQ(whole.Chunks.size(), values + 4);
    ASSERT_EQ(rest.Chunks.size(), 3u);
    for (size_t i = 0; i < rest.Chunks.size(); ++i) {
        EXPECT_EQ(rest.Chunks[i].Id, i + 1);
        EXPECT_EQ(rest.Chunks[i].Content, whole.Chunks[values + 1 + i].Content);
    }
}

struct TitleCase {
    std::string Utf8;
    std::u16string Expected;
};

TEST(BookFilter, LongTitlesAreStoredWholeUpTo1023UnitsThenCutAtAWholeCharacter) {
    const std::string e = "\xc3\xa9";             // one unit
    const std::string emoji = "\xf0\x9f\x98\x80"; // two units
    std::u16string a1000(1000, u'a');
    const TitleCase cases[] = {
        // Exactly 1023 units: 1000 + 23.
        {std::string(1000, 'a') +
             [&] {
                 std::string s;
                 for (int i = 0; i < 23; ++i)
                     s += e;
                 return s;
             }(),
         a1000 + std::u16string(23, u'\u00e9')},
        // Longer: the first 1023 units.
        {std::string(1500, 'b'), std::u16string(1023, u'b')},
        // A surrogate pair that would straddle the cut is left out whole.
        {std::string(1022, 'c') + emoji + "tail", std::u16string(1022, u'c')},
    };
    for (const TitleCase& c : cases) {
        PalmBook book(TestBook("harbor-kf7.mobi"));
        ASSERT_TRUE(book.ReplaceExthString(503, c.Utf8));
        const DrainResult result = DrainBook(book.Bytes);
        ASSERT_EQ(result.Chunks.size(), 5u);
        EXPECT_EQ(result.Chunks[0].Content.size(), c.Expected.size());
        EXPECT_EQ(result.Chunks[0].Content, c.Expected);
        EXPECT_EQ(result.Chunks[1].Content, u"Mira Tolvane");
    }
}

TEST(BookFilterProtocol, NoStreamEverBoundIsUnexpected) {
    ComPtr<IFilter> filter;
    ASSERT_EQ(CreateInstance<CFilterSample>(IID_IFilter, filter.PutVoid()), S_OK);
    STAT_CHUNK stat;
    EXPECT_EQ(filter->Init(0, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(filter->GetChunk(&stat), E_UNEXPECTED);
    EXPECT_EQ(filter->GetChunk(&stat), E_UNEXPECTED);
}

TEST(BookFilterProtocol, InitMidSequenceGoesOnWhereItStood) {
    BoundFilter bound(TestBook("harbor-kf8.azw3"));
    STAT_CHUNK stat;
    ASSERT_EQ(bound.Filter->GetChunk(&stat), S_OK);
    ASSERT_EQ(bound.Filter->GetChunk(&stat), S_OK);
    const DrainResult rest = DrainFilter(bound.Filter.Get());
    ASSERT_EQ(rest.Chunks.size(), 6u);
    EXPECT_EQ(rest.Chunks[0].Id, 1u);
    EXPECT_TRUE(rest.Chunks[0].Is(PKEY_Media_DateReleased));
}

TEST(BookFilterProtocol, BindingAgainRestartsTheSequenceWithTheNewBook) {
    BoundFilter bound(TestBook("harbor-kf8.azw3"));
    DrainFilter(bound.Filter.Get());
    RecordingStream second(TestBook("duet-kf8.azw"));
    ComPtr<IPersistStream> persist;
    ASSERT_EQ(bound.Filter->QueryInterface(IID_IPersistStream, persist.PutVoid()), S_OK);
    ASSERT_EQ(persist->Load(&second), S_OK);
    const DrainResult result = DrainFilter(bound.Filter.Get());
    ASSERT_EQ(result.Chunks.size(), 7u);
    EXPECT_EQ(result.Chunks[1].Content, u"Ana Brel; Piet Vos");
    EXPECT_EQ(ReferencesOf(bound.Stream), 1);
    EXPECT_EQ(ReferencesOf(second), 2);
    persist.Reset();
    bound.Filter.Reset();
    EXPECT_EQ(ReferencesOf(second), 1);
}

TEST(BookFilterProtocol, TheEndStaysTheEndHoweverOftenAsked) {
    BoundFilter bound(TestBook("harbor-noauthor-kf7.mobi"));
    DrainFilter(bound.Filter.Get());
    STAT_CHUNK stat;
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(bound.Filter->GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
    }
}

// The last part's text is handed out once: after the end, GetText has nothing more, even for
// a host that drains it before it looks at what GetChunk answered.
TEST(BookFilterProtocol, AfterTheEndNoTextIsHandedOutAgain) {
    BoundFilter bound(TestBook("harbor-kf7.mobi"));
    const DrainResult drained = DrainFilter(bound.Filter.Get());
    ASSERT_EQ(drained.End, FILTER_E_END_OF_CHUNKS);
    WCHAR buffer[64];
    ULONG count = 64;
    EXPECT_EQ(bound.Filter->GetText(&count, buffer), FILTER_E_NO_MORE_TEXT);
    PROPVARIANT* value = nullptr;
    EXPECT_EQ(bound.Filter->GetValue(&value), FILTER_E_NO_MORE_VALUES);

    // Ended in the middle of a text, by a host that asks for the next chunk too early.
    BoundFilter early(TestBook("harbor-kf7.mobi"));
    STAT_CHUNK stat;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(early.Filter->GetChunk(&stat), S_OK);
    }
    count = 64;
    ASSERT_EQ(early.Filter->GetText(&count, buffer), S_OK);
    EXPECT_EQ(early.Filter->GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(stat.idChunk, 5u);
    count = 64;
    EXPECT_EQ(early.Filter->GetText(&count, buffer), FILTER_E_NO_MORE_TEXT);
}

TEST(FilterObject, FacesShareOneIdentityAndOneCount) {
    const LONG before = ModuleRefCount;
    IPersistStream* created = nullptr;
    ASSERT_EQ(CreateInstance<CFilterSample>(IID_IPersistStream, reinterpret_cast<void**>(&created)),
              S_OK);
    auto* object = static_cast<ComObject<CFilterSample>*>(created);
    EXPECT_EQ(ModuleRefCount, before + 1);
    IUnknown* identity = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(static_cast<void*>(identity), static_cast<IPersistStream*>(object));

    IFilter* filter = nullptr;
    ASSERT_EQ(identity->QueryInterface(IID_IFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(filter, static_cast<IFilter*>(object));
    IInitializeWithStream* init = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(&init)),
              S_OK);
    for (IUnknown* face :
         {static_cast<IUnknown*>(filter), static_cast<IUnknown*>(init), identity}) {
        IUnknown* same = nullptr;
        ASSERT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&same)), S_OK);
        EXPECT_EQ(same, identity);
        same->Release();
    }
    void* none = object;
    EXPECT_EQ(filter->QueryInterface(IID_IStream, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    // Counts: 1 (new) + identity + filter + init = 4. AddRef on one face, Release on another.
    EXPECT_EQ(init->AddRef(), 5u);
    EXPECT_EQ(identity->Release(), 4u);
    EXPECT_EQ(filter->Release(), 3u);
    EXPECT_EQ(init->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(ModuleRefCount, before + 1);
    EXPECT_EQ(static_cast<IFilter*>(object)->Release(), 0u);
    EXPECT_EQ(ModuleRefCount, before);
}

TEST(FilterObject, ReleaseLetsGoOfTheBoundStream) {
    RecordingStream stream(TestBook("harbor-kf7.mobi"));
    IInitializeWithStream* object = nullptr;
    ASSERT_EQ(
        CreateInstance<CFilterSample>(IID_IInitializeWithStream, reinterpret_cast<void**>(&object)),
        S_OK);
    ASSERT_EQ(object->Initialize(&stream, 0), S_OK);
    EXPECT_EQ(ReferencesOf(stream), 2);
    object->Release();
    EXPECT_EQ(ReferencesOf(stream), 1);
}

} // namespace
