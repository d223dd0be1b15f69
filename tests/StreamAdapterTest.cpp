// SPDX-License-Identifier: LGPL-3.0-or-later
// The stream adapter through which libmobi loads a book: the exact reads and seeks of a load,
// the rules by which the stream's answers are judged, loads on two threads at once, and the
// C library's own FILEs, which the wrapped calls pass through.
#include "book/load/OpenBook.h"
#include "book/load/StreamStdio.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

namespace {

using Call = RecordingStream::Call;

const HRESULT ReadFault = static_cast<HRESULT>(0x8003001E); // STG_E_READFAULT

Call ReadAt(int64_t position, ULONG count) {
    return {"Read", position, 0, count};
}
Call SeekTo(int64_t move, DWORD origin) {
    return {"Seek", move, origin, 0};
}

// Every call a whole-book load makes, as libmobi reads a book when the stream delivers no
// length (the measure's seek to the end fails without moving): the binding's seek to the
// start; the measure, a seek to the end and one back to the start; the 78-byte database
// header; one 8-byte entry per record; then each record, a seek to its offset and one read of
// its length, which is the next record's offset minus its own. The last record's length is
// the stream's: a seek of 0 from the end, then one of 0 from the current position.
std::vector<Call> ExpectedWholeLoad(const std::vector<unsigned char>& bytes) {
    const PalmBook book(bytes);
    const size_t records = book.RecordCount();
    std::vector<Call> calls = {SeekTo(0, STREAM_SEEK_SET), SeekTo(0, STREAM_SEEK_END),
                               SeekTo(0, STREAM_SEEK_SET), ReadAt(0, 78)};
    for (size_t i = 0; i < records; ++i) {
        calls.push_back(ReadAt(static_cast<int64_t>(78 + 8 * i), 8));
    }
    for (size_t i = 0; i < records; ++i) {
        const uint32_t offset = book.RecordOffset(i);
        uint64_t end = bytes.size();
        if (i + 1 < records) {
            end = book.RecordOffset(i + 1);
        } else {
            calls.push_back(SeekTo(0, STREAM_SEEK_END));
            calls.push_back(SeekTo(0, STREAM_SEEK_CUR));
        }
        calls.push_back(SeekTo(offset, STREAM_SEEK_SET));
        if (end > offset) { // a record of no bytes is not read at all
            calls.push_back(ReadAt(offset, static_cast<ULONG>(end - offset)));
        }
    }
    return calls;
}

// How many times a load read each byte of a stream of `length` bytes; fails the test for a
// read past the end.
std::vector<int> ReadCounts(const std::vector<Call>& calls, uint64_t length) {
    std::vector<int> counts(length, 0);
    for (const Call& call : calls) {
        if (call.Method != "Read") {
            continue;
        }
        EXPECT_LE(static_cast<uint64_t>(call.Offset) + call.Count, length)
            << ::testing::PrintToString(call);
        for (uint64_t at = call.Offset; at < call.Offset + uint64_t{call.Count} && at < length;
             ++at) {
            ++counts[at];
        }
    }
    return counts;
}

// The calls of a load of a book with no picture, font, audio, video or source in it: the
// binding's seek to the start, the measure (a seek to the end and back), the header, the
// whole record table in one read, then every byte of every record read exactly once, the gap
// between the table and the first record never. No seek from the end or to the current
// position: the view knows every record's length.
void ExpectEveryRecordReadOnce(const std::vector<Call>& calls,
                               const std::vector<unsigned char>& bytes) {
    const PalmBook book(bytes);
    const size_t records = book.RecordCount();
    ASSERT_GE(calls.size(), 5u);
    const std::vector<Call> start = {SeekTo(0, STREAM_SEEK_SET), SeekTo(0, STREAM_SEEK_END),
                                     SeekTo(0, STREAM_SEEK_SET), ReadAt(0, 78),
                                     ReadAt(78, static_cast<ULONG>(8 * records))};
    EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + 5), start);
    const std::vector<int> counts = ReadCounts(calls, bytes.size());
    for (size_t at = 0; at < bytes.size(); ++at) {
        const bool gap = at >= 78 + 8 * records && at < book.RecordOffset(0);
        ASSERT_EQ(counts[at], gap ? 0 : 1) << "byte " << at;
    }
    size_t reads = 0;
    for (const Call& call : calls) {
        reads += call.Method == "Read" ? 1 : 0;
        EXPECT_TRUE(call.Method == "Read" || call.Origin == STREAM_SEEK_SET || &call == &calls[1])
            << ::testing::PrintToString(call);
    }
    // At most the record's first bytes, then the rest of it: two reads a record.
    EXPECT_LE(reads, 2 + 2 * records);
}

// The records the filter reads to give a book's text part by part, as libmobi's own load of
// the whole book names them: record 0 (and a hybrid's BOUNDARY and KF8 record 0), the text
// part's HUFF and CDIC records, its FDST record and its skeleton and fragment indexes (each its
// INDX record and as many as its header counts after it) when it binds; its text records, each
// when its part is read.
struct FilterRecords {
    std::set<size_t> AtBinding;
    std::set<size_t> Text;
};

FilterRecords ExpectedFilterRecords(const std::vector<unsigned char>& bytes) {
    const PalmBook book(bytes);
    RecordingStream stream(bytes);
    OpenedBook opened;
    EXPECT_EQ(OpenBook(&stream, OpenFor::Rebuilding, opened), S_OK);
    const MOBIData* whole = opened.Book.Get();
    FilterRecords records;
    records.AtBinding.insert(0);
    const size_t offset = mobi_get_kf8offset(whole);
    if (offset > 0) {
        records.AtBinding.insert({offset - 1, offset});
    }
    auto range = [&](std::set<size_t>& into, size_t first, size_t count) {
        for (size_t i = first; i < first + count && i < book.RecordCount(); ++i) {
            into.insert(i);
        }
    };
    range(records.Text, 1 + offset, whole->rh->text_record_count);
    const MOBIMobiHeader* header = whole->mh;
    if (whole->rh->compression_type == MOBI_COMPRESSION_HUFFCDIC) {
        range(records.AtBinding, *header->huff_rec_index + offset, *header->huff_rec_count);
    }
    if (mobi_exists_fdst(whole) && *header->fdst_section_count > 1) {
        records.AtBinding.insert(mobi_get_fdst_record_number(whole));
    }
    for (const uint32_t* index :
         {mobi_exists_skel_indx(whole) ? header->skeleton_index : nullptr,
          mobi_exists_frag_indx(whole) ? header->fragment_index : nullptr}) {
        if (index != nullptr) {
            const size_t first = *index + offset;
            const unsigned char* count = bytes.data() + book.RecordOffset(first) + 24;
            range(records.AtBinding, first,
                  1 + (size_t{count[0]} << 24 | size_t{count[1]} << 16 | size_t{count[2]} << 8 |
                       count[3]));
        }
    }
    return records;
}

// The bytes of record `record` of `book`, as an interval of the stream.
std::pair<uint64_t, uint64_t> RecordBytes(const PalmBook& book, size_t record, uint64_t size) {
    return {book.RecordOffset(record),
            record + 1 < book.RecordCount() ? book.RecordOffset(record + 1) : size};
}

// The calls of a binding that reads a book's text part by part: the binding's seek to the
// start, the measure, the header and the whole record table in one read, then every byte of the
// records the binding needs read exactly once, and no other. `drain`: the calls of draining the
// filter afterwards, which read every byte of the text records once, and nothing else.
void ExpectFilterReads(const std::vector<Call>& binding, const std::vector<Call>* drain,
                       const std::vector<unsigned char>& bytes) {
    const PalmBook book(bytes);
    const FilterRecords records = ExpectedFilterRecords(bytes);
    ASSERT_GE(binding.size(), 5u);
    const std::vector<Call> start = {SeekTo(0, STREAM_SEEK_SET), SeekTo(0, STREAM_SEEK_END),
                                     SeekTo(0, STREAM_SEEK_SET), ReadAt(0, 78),
                                     ReadAt(78, static_cast<ULONG>(8 * book.RecordCount()))};
    EXPECT_EQ(std::vector<Call>(binding.begin(), binding.begin() + 5), start);
    const std::vector<int> atBinding = ReadCounts(binding, bytes.size());
    const std::vector<int> draining =
        drain != nullptr ? ReadCounts(*drain, bytes.size()) : std::vector<int>(bytes.size(), 0);
    for (size_t record = 0; record < book.RecordCount(); ++record) {
        const auto [from, to] = RecordBytes(book, record, bytes.size());
        const bool bound = records.AtBinding.count(record) > 0;
        const bool text = drain != nullptr && records.Text.count(record) > 0;
        for (uint64_t at = from; at < to; ++at) {
            ASSERT_EQ(atBinding[at], bound ? 1 : 0) << "record " << record << " byte " << at;
            ASSERT_EQ(draining[at], text ? 1 : 0) << "record " << record << " byte " << at;
        }
    }
    for (const std::vector<Call>* calls : {&binding, drain}) {
        for (size_t i = 0; calls != nullptr && i < calls->size(); ++i) {
            const Call& call = (*calls)[i];
            EXPECT_TRUE(call.Method == "Read" || call.Origin == STREAM_SEEK_SET ||
                        (calls == &binding && i == 1))
                << ::testing::PrintToString(call);
        }
    }
}

// The last call that is `call`: libmobi's own seek from the end comes after the measure's.
size_t IndexOf(const std::vector<Call>& calls, const Call& call) {
    const auto found = std::find(calls.rbegin(), calls.rend(), call);
    EXPECT_NE(found, calls.rend());
    return static_cast<size_t>(calls.rend() - found) - 1;
}

void ExpectSameChunks(const DrainResult& actual, const DrainResult& expected) {
    EXPECT_EQ(actual.End, expected.End);
    ASSERT_EQ(actual.Chunks.size(), expected.Chunks.size());
    for (size_t i = 0; i < expected.Chunks.size(); ++i) {
        EXPECT_EQ(actual.Chunks[i].Property, expected.Chunks[i].Property) << i;
        EXPECT_TRUE(actual.Chunks[i].Content == expected.Chunks[i].Content) << "chunk " << i;
    }
}

// KF7, KF8, hybrid and the two large test books.
class StreamAdapterCalls : public ::testing::TestWithParam<const char*> {};

// The filter reads what its text needs, every byte once: the headers and indexes when it binds,
// the text records as the parts are read.
TEST_P(StreamAdapterCalls, ReadEveryByteOfTheRecordsOnce) {
    const std::vector<unsigned char> bytes = TestBook(GetParam());
    RecordingStream stream(bytes);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    const std::vector<Call> bound = stream.Calls;
    stream.Calls.clear();
    ExpectSameChunks(DrainFilter(binding.Filter.Get()), DrainBook(bytes));
    ExpectFilterReads(bound, &stream.Calls, bytes);
}

// The load of every record the text needs, which libmobi's whole rebuilding of the markup is
// given where the text cannot be read part by part: every record but the pictures, each byte
// once.
TEST_P(StreamAdapterCalls, OfTheWholeBookLoadReadEveryByteOfTheRecordsOnce) {
    const std::vector<unsigned char> bytes = TestBook(GetParam());
    RecordingStream stream(bytes);
    LARGE_INTEGER start = {};
    stream.Seek(start, STREAM_SEEK_SET, nullptr); // as a binding does
    OpenedBook book;
    EXPECT_EQ(OpenBook(&stream, OpenFor::Rebuilding, book), S_OK);
    ExpectEveryRecordReadOnce(stream.Calls, bytes);
}

// A stream that delivers no length is read as libmobi reads a file: every record whole.
TEST_P(StreamAdapterCalls, WithoutALengthAreLibmobisOwnReadsOfTheWholeBook) {
    const std::vector<unsigned char> bytes = TestBook(GetParam());
    RecordingStream stream(bytes);
    stream.Faults.push_back({1, STG_E_INVALIDFUNCTION, false});
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    EXPECT_EQ(stream.Calls, ExpectedWholeLoad(bytes));
    ExpectSameChunks(DrainFilter(binding.Filter.Get()), DrainBook(bytes));
}

INSTANTIATE_TEST_SUITE_P(Books, StreamAdapterCalls,
                         ::testing::Values("harbor-kf7.mobi", "harbor-kf8.azw3",
                                           "harbor-hybrid.mobi", "ledger-large-kf7.mobi",
                                           "ledger-large-kf8.azw3"),
                         TestBookName);

// An image record of megabytes is not read: the filter reads only the records its text needs,
// and the whole book's load only the first 8 bytes of a picture, which tell what it is. The
// text is the book's without it.
TEST(StreamAdapterCallsOfAPictureBook, ReadOnlyTheFirstBytesOfEachPicture) {
    const std::vector<unsigned char> original = TestBook("harbor-kf8.azw3");
    PalmBook book(original);
    for (unsigned char fill : {0x11, 0x22}) {
        std::vector<unsigned char> picture(3 * 1024 * 1024 + fill, fill);
        picture[0] = 0xFF; // JPEG magic
        picture[1] = 0xD8;
        picture[2] = 0xFF;
        book.AppendRecord(picture);
    }
    const size_t records = book.RecordCount();
    ASSERT_EQ(records, PalmBook(original).RecordCount() + 2);
    RecordingStream stream(book.Bytes);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    ExpectSameChunks(DrainFilter(binding.Filter.Get()), DrainBook(original));
    RecordingStream wholeStream(book.Bytes);
    OpenedBook whole;
    EXPECT_EQ(OpenBook(&wholeStream, OpenFor::Rebuilding, whole), S_OK);
    for (const RecordingStream* read : {&stream, &wholeStream}) {
        const size_t firstBytes = read == &stream ? 0 : 8;
        const std::vector<int> counts = ReadCounts(read->Calls, book.Bytes.size());
        for (size_t record : {records - 2, records - 1}) {
            const uint32_t offset = book.RecordOffset(record);
            const uint64_t end =
                record + 1 < records ? book.RecordOffset(record + 1) : book.Bytes.size();
            for (uint64_t at = offset; at < end; ++at) {
                ASSERT_EQ(counts[at], at < offset + firstBytes ? 1 : 0)
                    << record << " " << at - offset;
            }
        }
        uint64_t total = 0;
        for (int count : counts) {
            total += count;
        }
        EXPECT_LT(total, original.size() + 16 + 16);
    }
}

// The calls of a load of `bytes` by a stream that behaves; `whole`: one that delivers no length.
std::vector<Call> UndisturbedCalls(const std::vector<unsigned char>& bytes, bool whole) {
    if (whole) {
        return ExpectedWholeLoad(bytes);
    }
    RecordingStream stream(bytes);
    EXPECT_EQ(Binding(stream).Bound, S_OK);
    return stream.Calls;
}

// Picks one call of an undisturbed load.
using Pick = Call (*)(const std::vector<Call>& calls, const PalmBook& book);

Call RecordSeek(const PalmBook& book, size_t record) {
    return SeekTo(book.RecordOffset(record), STREAM_SEEK_SET);
}
Call FirstRecordSeek(const std::vector<Call>&, const PalmBook& book) {
    return RecordSeek(book, 0);
}
// The first seek into the second half of the records.
Call MiddleRecordSeek(const std::vector<Call>& calls, const PalmBook& book) {
    const uint32_t middle = book.RecordOffset(book.RecordCount() / 2);
    for (const Call& call : calls) {
        if (call.Method == "Seek" && call.Origin == STREAM_SEEK_SET && call.Offset >= middle) {
            return call;
        }
    }
    ADD_FAILURE() << "no seek into the second half";
    return {};
}
// The last seek to a record.
Call LastRecordSeek(const std::vector<Call>& calls, const PalmBook&) {
    for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
        if (call->Method == "Seek" && call->Origin == STREAM_SEEK_SET && call->Offset > 0) {
            return *call;
        }
    }
    ADD_FAILURE() << "no seek to a record";
    return {};
}
Call SeekFromTheEnd(const std::vector<Call>&, const PalmBook&) {
    return SeekTo(0, STREAM_SEEK_END);
}
Call PositionSeek(const std::vector<Call>&, const PalmBook&) {
    return SeekTo(0, STREAM_SEEK_CUR);
}
Call HeaderRead(const std::vector<Call>&, const PalmBook&) {
    return ReadAt(0, 78);
}
Call ThirdEntryRead(const std::vector<Call>&, const PalmBook&) {
    return ReadAt(78 + 8 * 2, 8);
}
Call TableRead(const std::vector<Call>&, const PalmBook& book) {
    return ReadAt(78, static_cast<ULONG>(8 * book.RecordCount()));
}
Call SecondRecordRead(const std::vector<Call>& calls, const PalmBook& book) {
    return calls[IndexOf(calls, RecordSeek(book, 1)) + 1];
}
// The last read of a record, by a binding that reads no text record.
Call LastRecordRead(const std::vector<Call>& calls, const PalmBook&) {
    for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
        if (call->Method == "Read" && call->Offset > 0) {
            return *call;
        }
    }
    ADD_FAILURE() << "no read of a record";
    return {};
}

// How a stream misbehaves, set up against the calls of an undisturbed load. A whole-book load
// is libmobi's own, when the stream delivers no length: its seek from the end and the one to
// the current position reach the stream then, and only then.
struct RuleCase {
    const char* Name;
    bool Whole;
    Pick Faulted;                 // the call that misbehaves, or none
    RecordingStream::Fault Fault; // how it does (its index is Faulted's)
    std::optional<HRESULT> ReadAnswer;
    HRESULT Bound;
    Pick LastCall; // where the load stops; none: it makes every call of an undisturbed load
};

const RuleCase RuleCases[] = {
    {"SeekToTheFirstRecordFails",
     false,
     FirstRecordSeek,
     {0, STG_E_INVALIDFUNCTION, false},
     {},
     E_FAIL,
     FirstRecordSeek},
    {"SeekToAMiddleRecordFailsThoughItMoves",
     false,
     MiddleRecordSeek,
     {0, E_FAIL},
     {},
     E_FAIL,
     MiddleRecordSeek},
    {"SeekToTheLastRecordFails",
     false,
     LastRecordSeek,
     {0, STG_E_INVALIDFUNCTION, false},
     {},
     E_FAIL,
     LastRecordSeek},
    // The seeks that measure the length are not judged: what counts is the position found.
    {"SeekFromTheEndAnswersAFailureButMoves",
     true,
     SeekFromTheEnd,
     {0, STG_E_INVALIDFUNCTION},
     {},
     S_OK,
     nullptr},
    {"PositionIsDeliveredWithAFailure", true, PositionSeek, {0, E_FAIL}, {}, S_OK, nullptr},
    // Not moved to the end, the stream stands where the last record starts: 0 bytes.
    {"SeekFromTheEndDoesNotMove",
     true,
     SeekFromTheEnd,
     {0, STG_E_INVALIDFUNCTION, false},
     {},
     E_FAIL,
     PositionSeek},
    // No position delivered counts as 0: a last record of less than 0 bytes.
    {"PositionIsNotDelivered", true, PositionSeek, {0, E_FAIL, false}, {}, E_FAIL, PositionSeek},
    // A Read is judged by its count alone.
    {"EveryReadAnswersAFailureButDeliversTheBytes", false, nullptr, {}, ReadFault, S_OK, nullptr},
    {"EveryReadAnswersSFalseButDeliversTheBytes", false, nullptr, {}, S_FALSE, S_OK, nullptr},
    {"HeaderReadDeliversOneByteLess",
     false,
     HeaderRead,
     {0, S_OK, true, 1},
     {},
     E_FAIL,
     HeaderRead},
    {"EntryReadDeliversOneByteLess",
     true,
     ThirdEntryRead,
     {0, S_FALSE, true, 1},
     {},
     E_FAIL,
     ThirdEntryRead},
    {"TableReadDeliversOneByteLess",
     false,
     TableRead,
     {0, S_FALSE, true, 1},
     {},
     E_FAIL,
     TableRead},
    {"WholeMiddleRecordReadDeliversOneByteLess",
     true,
     SecondRecordRead,
     {0, S_OK, true, 1},
     {},
     E_FAIL,
     SecondRecordRead},
    {"WholeSeekToAMiddleRecordFailsThoughItMoves",
     true,
     MiddleRecordSeek,
     {0, E_FAIL},
     {},
     E_FAIL,
     MiddleRecordSeek},
    // The measure is not judged: what counts is the position found.
    {"MeasureAnswersAFailureButMoves",
     false,
     nullptr,
     {1, STG_E_INVALIDFUNCTION},
     {},
     S_OK,
     nullptr},
    {"LastRecordReadDeliversOneByteLess",
     false,
     LastRecordRead,
     {0, S_OK, true, 1},
     {},
     E_FAIL,
     LastRecordRead},
};

void PrintTo(const RuleCase& rule, std::ostream* os) {
    *os << rule.Name;
}

class StreamAdapterRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(StreamAdapterRules, DecideTheLoad) {
    const RuleCase& rule = GetParam();
    const std::vector<unsigned char> bytes = TestBook("harbor-kf8.azw3");
    const PalmBook book(bytes);
    std::vector<Call> expected = UndisturbedCalls(bytes, rule.Whole);
    RecordingStream stream(bytes);
    if (rule.Whole) {
        stream.Faults.push_back({1, STG_E_INVALIDFUNCTION, false});
    }
    if (rule.Faulted != nullptr) {
        stream.Faults.push_back(rule.Fault);
        stream.Faults.back().Call = IndexOf(expected, rule.Faulted(expected, book));
    } else if (rule.Fault.Call != 0) {
        stream.Faults.push_back(rule.Fault);
    }
    stream.ReadAnswer = rule.ReadAnswer;
    Binding binding(stream);
    EXPECT_EQ(binding.Bound, rule.Bound);
    if (rule.LastCall != nullptr) {
        expected.resize(IndexOf(expected, rule.LastCall(expected, book)) + 1);
    }
    EXPECT_EQ(stream.Calls, expected);
    if (rule.Bound == S_OK) {
        ExpectSameChunks(DrainFilter(binding.Filter.Get()), DrainBook(bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, StreamAdapterRules, ::testing::ValuesIn(RuleCases),
                         NamedBy<&RuleCase::Name>());

// A stream that reports more than it holds: the last record's read comes short at its end. The
// whole book's load reads it and fails; the filter, which needs nothing of it (the end mark),
// gives the book.
TEST(StreamAdapterRule, AStreamEndingBeforeTheLengthItReportsFails) {
    const std::vector<unsigned char> bytes = TestBook("harbor-kf8.azw3");
    RecordingStream stream(bytes);
    stream.ReportedLength = bytes.size() + 1;
    OpenedBook whole;
    EXPECT_NE(OpenBook(&stream, OpenFor::Rebuilding, whole), S_OK);
    // The load stops at the first read of the last record (the end mark, 4 bytes, read to
    // tell what it is), asked for one byte more.
    const PalmBook book(bytes);
    const uint32_t last = book.RecordOffset(book.RecordCount() - 1);
    ASSERT_FALSE(stream.Calls.empty());
    EXPECT_EQ(stream.Calls.back(), ReadAt(last, static_cast<ULONG>(bytes.size() + 1 - last)));
    for (int count : ReadCounts(stream.Calls, bytes.size() + 1)) {
        EXPECT_LE(count, 1);
    }
    RecordingStream filtered(bytes);
    filtered.ReportedLength = bytes.size() + 1;
    Binding binding(filtered);
    ASSERT_EQ(binding.Bound, S_OK);
    ExpectSameChunks(DrainFilter(binding.Filter.Get()), DrainBook(bytes));
    for (int count : ReadCounts(filtered.Calls, bytes.size())) {
        EXPECT_LE(count, 1);
    }
}

// The measure of the stream before the load is not judged: without a length delivered, the
// reads are asked as libmobi asks them; with one, the book is read without its pictures.
TEST(StreamAdapterRule, AMeasureThatFailsLeavesTheLoadToLibmobi) {
    const std::vector<unsigned char> bytes = TestBook("harbor-kf8.azw3");
    for (size_t call : {1, 2}) { // the seek to the end, the seek back
        for (bool acts : {false, true}) {
            RecordingStream stream(bytes);
            stream.Faults.push_back({call, STG_E_INVALIDFUNCTION, acts});
            Binding binding(stream);
            // Not moved back to the start, the stream is read from its end: no header.
            const bool standsAtTheEnd = call == 2 && !acts;
            EXPECT_EQ(binding.Bound, standsAtTheEnd ? E_FAIL : S_OK) << call << acts;
            if (!standsAtTheEnd && call == 1 && !acts) {
                EXPECT_EQ(stream.Calls, ExpectedWholeLoad(bytes)) << call << acts;
            } else if (!standsAtTheEnd) {
                ExpectFilterReads(stream.Calls, nullptr, bytes);
            }
        }
    }
}

// Writes a record's offset into the Palm record table.
void SetRecordOffset(std::vector<unsigned char>& bytes, size_t record, uint32_t offset) {
    for (int i = 0; i < 4; ++i) {
        bytes[78 + 8 * record + i] = static_cast<unsigned char>(offset >> (24 - 8 * i));
    }
}

struct CorruptTable {
    const char* Name;
    size_t Record;
    uint32_t (*Offset)(const PalmBook& book, size_t size);
    HRESULT Bound = E_FAIL;
};

// An offset below the one before it makes libmobi's record length wrap to about 4 GiB; one
// beyond the end makes the record before it that long. A last record past the end is a book
// cut short there, read without it.
const CorruptTable CorruptTables[] = {
    {"OffsetAfterTheNextRecord", 1,
     [](const PalmBook& book, size_t) { return book.RecordOffset(2) + 1; }},
    {"OffsetBeforeThePreviousRecord", 3,
     [](const PalmBook& book, size_t) { return book.RecordOffset(2) - 1; }},
    {"OffsetBeyondTheEnd", 2, [](const PalmBook&, size_t) { return 0xFFFFFFF0u; }},
    {"LastRecordBeyondTheEnd", SIZE_MAX,
     [](const PalmBook&, size_t size) { return static_cast<uint32_t>(size + 100); }, S_OK},
};

void PrintTo(const CorruptTable& table, std::ostream* os) {
    *os << table.Name;
}

class StreamAdapterCorruptTable : public ::testing::TestWithParam<CorruptTable> {};

TEST_P(StreamAdapterCorruptTable, AsksForNoMoreThanTheStreamHoldsAndFails) {
    std::vector<unsigned char> bytes = TestBook("harbor-kf8.azw3");
    const PalmBook book(bytes);
    const size_t record =
        GetParam().Record == SIZE_MAX ? book.RecordCount() - 1 : GetParam().Record;
    SetRecordOffset(bytes, record, GetParam().Offset(book, bytes.size()));
    RecordingStream stream(bytes);
    EXPECT_EQ(Binding(stream).Bound, GetParam().Bound);
    // The table tells the load fails: no record is read.
    if (FAILED(GetParam().Bound)) {
        EXPECT_EQ(stream.Calls.size(), 5u);
    }
    ULONG largest = 0;
    for (const Call& call : stream.Calls) {
        EXPECT_LE(call.Offset + int64_t{call.Count}, static_cast<int64_t>(bytes.size()))
            << ::testing::PrintToString(call);
        largest = std::max(largest, call.Count);
    }
    EXPECT_LT(largest, bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Books, StreamAdapterCorruptTable, ::testing::ValuesIn(CorruptTables),
                         NamedBy<&CorruptTable::Name>());

// The three calls on their own, with what libmobi never asks but a FILE would be asked.
TEST(StreamAdapterStdio, ServesEachCallWithOneCallOnTheStream) {
    RecordingStream stream(std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    StreamStdio served(&stream);
    unsigned char buffer[12] = {};
    // Whole elements only; the stream is asked for all the bytes at once.
    EXPECT_EQ(served.Read(buffer, 4, 3), 2u);
    EXPECT_EQ(buffer[9], 10);
    EXPECT_EQ(served.Read(buffer, 0, 3), 0u);
    EXPECT_EQ(served.Read(buffer, 1, 0), 0u);
    EXPECT_EQ(served.Read(buffer, SIZE_MAX / 2, 3), 0u); // more than memory can hold
    // A 32-bit long brings offsets of 2 GB and more as negative numbers.
    EXPECT_EQ(served.Seek(static_cast<long>(static_cast<int32_t>(0x80000010u)), SEEK_SET), 0);
    EXPECT_EQ(served.Seek(-3, SEEK_END), 0);
    EXPECT_EQ(served.Tell(), 7);
    EXPECT_EQ(served.Seek(2, SEEK_CUR), 0);
    EXPECT_EQ(served.Seek(-20, SEEK_CUR), -1);
    EXPECT_EQ(served.Seek(0, 7), -1);
    EXPECT_EQ(stream.Calls,
              (std::vector<Call>{ReadAt(0, 12), SeekTo(0x80000010, STREAM_SEEK_SET),
                                 SeekTo(-3, STREAM_SEEK_END), SeekTo(0, STREAM_SEEK_CUR),
                                 SeekTo(2, STREAM_SEEK_CUR), SeekTo(-20, STREAM_SEEK_CUR)}));
}

// Once the end is known, each read asks for what remains at most, and none is made at the end.
TEST(StreamAdapterStdio, ReadsNoFurtherThanTheEndMeasured) {
    RecordingStream stream(std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    StreamStdio served(&stream);
    served.MeasureEnd();
    unsigned char buffer[16] = {};
    EXPECT_EQ(served.Seek(6, SEEK_SET), 0);
    EXPECT_EQ(served.Read(buffer, 1, 16), 4u);
    EXPECT_EQ(buffer[3], 10);
    EXPECT_EQ(served.Read(buffer, 1, 16), 0u);
    EXPECT_EQ(served.Seek(20, SEEK_SET), 0);
    EXPECT_EQ(served.Read(buffer, 1, 1), 0u);
    // Unknown after a seek that delivers no position: asked as libmobi asks.
    stream.Faults.push_back({stream.Calls.size(), STG_E_INVALIDFUNCTION, false});
    EXPECT_EQ(served.Seek(2, SEEK_SET), -1);
    EXPECT_EQ(served.Read(buffer, 1, 16), 0u);
    EXPECT_EQ(
        stream.Calls,
        (std::vector<Call>{SeekTo(0, STREAM_SEEK_END), SeekTo(0, STREAM_SEEK_SET),
                           SeekTo(6, STREAM_SEEK_SET), ReadAt(6, 4), SeekTo(20, STREAM_SEEK_SET),
                           SeekTo(2, STREAM_SEEK_SET), ReadAt(20, 16)}));
}

// A stream that claims to have delivered more than it was asked for.
class BoastingStream : public RecordingStreamBase {
public:
    using RecordingStreamBase::RecordingStreamBase;
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        RecordingStreamBase::Read(pv, cb, pcbRead);
        *pcbRead = cb + 100;
        return S_OK;
    }
};

TEST(StreamAdapterStdio, CountsNoMoreThanItAskedFor) {
    HostObject<BoastingStream> stream(std::vector<unsigned char>(8, 1));
    StreamStdio served(&stream);
    unsigned char buffer[8];
    EXPECT_EQ(served.Read(buffer, 1, 8), 8u);
}

TEST(StreamAdapterStdio, PositionNotDeliveredIsZero) {
    RecordingStream stream(std::vector<unsigned char>(16, 0));
    stream.Position = 12;
    stream.FailSeeks = true;
    EXPECT_EQ(StreamStdio(&stream).Tell(), 0);
}

// Lets two threads take turns, one stream call each, while both are loading.
class Turnstile {
public:
    // Waits until it is `side`'s turn (or the other side has finished), then gives the turn on.
    void Pass(int side) {
        std::unique_lock<std::mutex> lock(Mutex);
        const bool taken = Changed.wait_for(lock, std::chrono::seconds(10),
                                            [&] { return Turn == side || Finished[1 - side]; });
        EXPECT_TRUE(taken) << "the other load never came";
        ++Passes[side];
        Turn = 1 - side;
        Changed.notify_all();
    }
    void Finish(int side) {
        std::lock_guard<std::mutex> lock(Mutex);
        Finished[side] = true;
        Changed.notify_all();
    }
    int Passes[2] = {0, 0};

private:
    std::mutex Mutex;
    std::condition_variable Changed;
    int Turn = 0;
    bool Finished[2] = {false, false};
};

// Each thread loads its book and drains it, the two taking turns call by call.
TEST(StreamAdapterThreads, TwoLoadsAtOnceGetEachTheirOwnBook) {
    const std::vector<unsigned char> books[2] = {TestBook("harbor-hybrid.mobi"),
                                                 TestBook("duet-kf8.azw")};
    const DrainResult alone[2] = {DrainBook(books[0]), DrainBook(books[1])};
    // Every call of binding and draining each book alone.
    std::vector<Call> aloneCalls[2];
    for (int side = 0; side < 2; ++side) {
        RecordingStream stream(books[side]);
        Binding binding(stream);
        DrainFilter(binding.Filter.Get());
        aloneCalls[side] = stream.Calls;
    }
    for (int round = 0; round < 20; ++round) {
        Turnstile turns;
        RecordingStream streams[2] = {RecordingStream(books[0]), RecordingStream(books[1])};
        DrainResult drained[2];
        HRESULT bound[2] = {E_UNEXPECTED, E_UNEXPECTED};
        auto load = [&](int side) {
            streams[side].OnCall = [&turns, side](const Call&) { turns.Pass(side); };
            Binding binding(streams[side]);
            bound[side] = binding.Bound;
            drained[side] = DrainFilter(binding.Filter.Get());
            turns.Finish(side);
        };
        std::thread first(load, 0);
        std::thread second(load, 1);
        first.join();
        second.join();
        for (int side = 0; side < 2; ++side) {
            EXPECT_EQ(bound[side], S_OK);
            EXPECT_EQ(streams[side].Calls, aloneCalls[side]) << side;
            ExpectSameChunks(drained[side], alone[side]);
        }
        // The two loads did run side by side, their calls alternating.
        EXPECT_GT(std::min(turns.Passes[0], turns.Passes[1]), 10);
    }
}

// A host's stream that itself reads a file through the C library's FILE.
class StdioFileStream : public RecordingStreamBase {
public:
    explicit StdioFileStream(const std::string& path) : File(std::fopen(path.c_str(), "rb")) {}
    ~StdioFileStream() override {
        if (File != nullptr) {
            std::fclose(File);
        }
    }
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        Calls.push_back(ReadAt(std::ftell(File), cb));
        *pcbRead = static_cast<ULONG>(std::fread(pv, 1, cb, File));
        return *pcbRead == cb ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        Calls.push_back(SeekTo(move.QuadPart, origin));
        const int whence = origin == STREAM_SEEK_SET   ? SEEK_SET
                           : origin == STREAM_SEEK_CUR ? SEEK_CUR
                                                       : SEEK_END;
        if (std::fseek(File, static_cast<long>(move.QuadPart), whence) != 0) {
            return STG_E_INVALIDFUNCTION;
        }
        if (position != nullptr) {
            position->QuadPart = static_cast<ULONGLONG>(std::ftell(File));
        }
        return S_OK;
    }
    FILE* File;
};

TEST(StreamAdapterFiles, AStreamReadingItsOwnFileMidLoadIsServedByTheCLibrary) {
    const std::string path = TestBookPath("harbor-hybrid.mobi");
    HostObject<StdioFileStream> stream(path);
    ASSERT_NE(stream.File, nullptr);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    EXPECT_EQ(stream.Calls, UndisturbedCalls(TestBook("harbor-hybrid.mobi"), false));
    ExpectSameChunks(DrainFilter(binding.Filter.Get()), DrainBook(TestBook("harbor-hybrid.mobi")));
}

TEST(StreamAdapterFiles, LibmobiStillReadsFilesOfTheCLibrary) {
    const std::string path = TestBookPath("harbor-kf8.azw3");
    MOBIData* byName = mobi_init();
    EXPECT_EQ(mobi_load_filename(byName, path.c_str()), MOBI_SUCCESS);
    std::vector<unsigned char> bytes = TestBook("harbor-kf8.azw3");
    FILE* memory = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_NE(memory, nullptr);
    MOBIData* byFile = mobi_init();
    EXPECT_EQ(mobi_load_file(byFile, memory), MOBI_SUCCESS);
    std::fclose(memory);
    RecordingStream stream(bytes);
    OpenedBook opened;
    EXPECT_EQ(OpenBook(&stream, OpenFor::Rebuilding, opened), S_OK);
    const MOBIData* byStream = opened.Book.Get();
    size_t records = 0;
    for (const MOBIPdbRecord *a = byName->rec, *b = byFile->rec, *c = byStream->rec;
         a != nullptr && b != nullptr && c != nullptr; a = a->next, b = b->next, c = c->next) {
        ASSERT_TRUE(a->size == b->size && b->size == c->size);
        // The view's offsets are given back as the book's own.
        EXPECT_TRUE(a->offset == b->offset && b->offset == c->offset) << records;
        EXPECT_EQ(std::memcmp(a->data, c->data, a->size), 0);
        EXPECT_EQ(std::memcmp(b->data, c->data, b->size), 0);
        ++records;
    }
    EXPECT_EQ(records, PalmBook(bytes).RecordCount());
    mobi_free(byName);
    mobi_free(byFile);
}

std::set<std::string> OpenDescriptors() {
    std::set<std::string> names;
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) {
        return names;
    }
    const int own = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        if (entry->d_name[0] != '.' && std::to_string(own) != entry->d_name) {
            names.insert(entry->d_name);
        }
    }
    closedir(folder);
    return names;
}

TEST(StreamAdapterFiles, NoFileIsOpenedWhileABookLoads) {
    const std::set<std::string> before = OpenDescriptors();
    ASSERT_FALSE(before.empty());
    RecordingStream stream(TestBook("harbor-hybrid.mobi"));
    size_t checked = 0;
    stream.OnCall = [&](const Call&) {
        EXPECT_EQ(OpenDescriptors(), before);
        ++checked;
    };
    EXPECT_EQ(Binding(stream).Bound, S_OK);
    EXPECT_EQ(checked, stream.Calls.size());
    EXPECT_EQ(OpenDescriptors(), before);
}

} // namespace
