// SPDX-License-Identifier: LGPL-3.0-or-later
// What each reader of a book says of it through IBookCondition, for the faults the table of
// damaged files (tests/damaged/) cannot hold in a file: a stream that lies about its length (in
// the load, or as the text is read), a stream without one, a record table out of order or
// empty, a whole book whose text libmobi cannot rebuild or decode; and the face's contract. The
// words of the load are the same for the three readers; a book read whole gives none.
#include "book/CBookPropertyStore.h"
#include "book/CBookThumbnailProvider.h"
#include "book/CFilterSample.h"
#include "book/IBookCondition.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/MakeBoundObject.h"
#include "tests/support/PalmBook.h"
#include "tests/support/PrintedText.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/TestNames.h"
#include "tests/support/Utf16Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The words, "(none)" for S_FALSE, or the failing code.
std::string WordsOf(IUnknown* object) {
    ComPtr<IBookCondition> condition;
    EXPECT_EQ(object->QueryInterface(IID_IBookCondition, condition.PutVoid()), S_OK);
    CoTaskMemPtr<WCHAR> words;
    const HRESULT said = condition->GetConditionWords(words.Put());
    if (said == S_FALSE) {
        EXPECT_FALSE(words);
        return "(none)";
    }
    if (said != S_OK) {
        return "failed " + std::to_string(static_cast<unsigned long>(said));
    }
    return Narrow(reinterpret_cast<const char16_t*>(words.Get()));
}

struct ConditionCase {
    const char* Name;
    // Makes the stream's bytes, and how it behaves, from the test book's.
    void (*Prepare)(RecordingStream& stream);
    HRESULT Bound;
    const char* Filter;
    const char* Properties;
    const char* Cover;
};

// For gtest's messages: the name and what the binding gives, without the words.
void PrintTo(const ConditionCase& row, std::ostream* os) {
    *os << row.Name;
    if (SUCCEEDED(row.Bound)) {
        *os << ": binds";
    } else {
        *os << ": the binding fails with " << Hex(row.Bound);
    }
}

void SetOffset(RecordingStream& stream, size_t record, uint32_t offset) {
    for (int i = 0; i < 4; ++i) {
        stream.Bytes[78 + 8 * record + i] = static_cast<unsigned char>(offset >> (24 - 8 * i));
    }
}

const char Unread[] = "unreadable: the stream delivered 5000 of the 12347 bytes it said it holds";
const char OutOfOrder[] = "damaged: its record table is out of order (record 4 of 10 starts "
                          "before the one before it)";
const char NoRecords[] = "damaged: its record table lists no records";
const char NoLength[] = "libmobi cannot read it (not a kind of book it reads)";

const ConditionCase Cases[] = {
    {"WholeBook", [](RecordingStream&) {}, S_OK, "(none)", "(none)", "(none)"},
    {"StreamEndsBeforeItsLength",
     [](RecordingStream& stream) {
         stream.ReportedLength = stream.Bytes.size();
         stream.Bytes.resize(5000);
     },
     E_FAIL, Unread, Unread, Unread},
    // After the binding, as the text is read part by part: the text ends where the stream does.
    {"StreamEndsInItsText",
     [](RecordingStream& stream) {
         stream.ReportedLength = stream.Bytes.size();
         stream.Bytes.resize(11000);
     },
     S_OK,
     "unreadable: the stream delivered 11000 of the 12347 bytes it said it holds; its details "
     "and the text before it were read",
     "(none)", "(none)"},
    {"TableOutOfOrder",
     [](RecordingStream& stream) {
         const PalmBook book(stream.Bytes);
         SetOffset(stream, 3, book.RecordOffset(2) - 1);
     },
     E_FAIL, OutOfOrder, OutOfOrder, OutOfOrder},
    {"NoRecords", [](RecordingStream& stream) { stream.Bytes[76] = stream.Bytes[77] = 0; }, E_FAIL,
     NoRecords, NoRecords, NoRecords},
    // Without a length, libmobi reads the stream as a file: no table of ours says more.
    {"TextWithoutALength",
     [](RecordingStream& stream) {
         stream.Bytes.assign(300, 'x');
         stream.FailSeeks = true;
     },
     E_FAIL, NoLength, NoLength, NoLength},
    // Read part by part, the text ends at a record that does not decode.
    {"TextRecordThatDoesNotDecode",
     [](RecordingStream& stream) {
         PalmBook book(stream.Bytes);
         book.SpoilPalmDocRecord(2);
         stream.Bytes = book.Bytes;
     },
     S_OK,
     "damaged: libmobi cannot decode one of its text records; its details and the text before "
     "it were read",
     "(none)", "(none)"},
    // libmobi reads the FDST record to rebuild a KF8 book's parts: without its magic it cannot.
    {"TextLibmobiCannotRebuild",
     [](RecordingStream& stream) {
         stream.Bytes = TestBook("harbor-kf8.azw3");
         const PalmBook book(stream.Bytes);
         stream.Bytes[book.RecordOffset(15)] = 'X';
     },
     S_OK, "damaged: libmobi cannot rebuild its text (corrupt data); its details were read",
     "(none)", "(none)"},
};

class ReaderConditions : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(ReaderConditions, SayTheLoadsWordsAndWhatTheyStillRead) {
    const ConditionCase& c = GetParam();
    RecordingStream stream(TestBook("harbor-kf7.mobi"));
    c.Prepare(stream);

    ComPtr<IFilter> filter;
    EXPECT_EQ(MakeBoundObject<CFilterSample>(&stream, IID_IFilter, filter), c.Bound);
    DrainFilter(filter.Get());
    EXPECT_EQ(WordsOf(filter.Get()), c.Filter);

    ComPtr<IPropertyStore> store;
    EXPECT_EQ(MakeBoundObject<CBookPropertyStore>(&stream, IID_IPropertyStore, store), c.Bound);
    EXPECT_EQ(WordsOf(store.Get()), c.Properties);

    ComPtr<IThumbnailProvider> provider;
    EXPECT_EQ(MakeBoundObject<CBookThumbnailProvider>(&stream, IID_IThumbnailProvider, provider),
              c.Bound);
    EXPECT_EQ(WordsOf(provider.Get()), c.Cover);
}

INSTANTIATE_TEST_SUITE_P(Streams, ReaderConditions, ::testing::ValuesIn(Cases),
                         NamedBy<&ConditionCase::Name>());

template <typename Class> void ExpectTheFacesContract() {
    // Declared first: the filter keeps the stream it is bound to as long as it lives.
    RecordingStream stream(std::vector<unsigned char>{});
    ComPtr<IBookCondition> condition;
    ASSERT_EQ(CreateInstance<Class>(IID_IBookCondition, condition.PutVoid()), S_OK);
    WCHAR* words = reinterpret_cast<WCHAR*>(&condition);
    // Nothing bound yet: nothing to say.
    EXPECT_EQ(condition->GetConditionWords(&words), E_UNEXPECTED);
    EXPECT_EQ(words, nullptr);
    EXPECT_EQ(condition->GetConditionWords(nullptr), E_POINTER);
    ComPtr<IInitializeWithStream> initialize;
    ASSERT_EQ(condition->QueryInterface(IID_IInitializeWithStream, initialize.PutVoid()), S_OK);
    EXPECT_EQ(initialize->Initialize(&stream, STGM_READ), E_FAIL);
    EXPECT_EQ(condition->GetConditionWords(nullptr), E_POINTER);
    EXPECT_EQ(WordsOf(condition.Get()), "empty file");
}

TEST(BookConditionFace, AnswersOnlyAfterABindingAndHandsOutItsWords) {
    ExpectTheFacesContract<CFilterSample>();
    ExpectTheFacesContract<CBookPropertyStore>();
    ExpectTheFacesContract<CBookThumbnailProvider>();
}

} // namespace
