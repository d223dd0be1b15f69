// SPDX-License-Identifier: LGPL-3.0-or-later
// Reading a book without its pictures: what a record's first bytes make it, which record
// tables fit their stream, the view libmobi is shown, and books whose pictures are never read.
#include "book/CBookPropertyStore.h"
#include "book/CBookThumbnailProvider.h"
#include "book/IBookCover.h"
#include "book/load/OpenBook.h"
#include "book/load/RecordKind.h"
#include "book/load/RecordStore.h"
#include "book/load/RecordTable.h"
#include "book/load/RecordView.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/MakeBoundObject.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct KindCase {
    const char* Name;
    std::string Start; // the record's first bytes as read (at most 8)
    uint64_t Size;     // the record's length
    RecordKind Kind;
};

const std::string Png("\x89PNG\r\n\x1A\n", 8);

const KindCase KindCases[] = {
    {"Jpeg", std::string("\xFF\xD8\xFF\xE0\0\x10JF", 8), 4000, RecordKind::Picture},
    {"Gif87", "GIF87a\x10\0", 500, RecordKind::Picture},
    {"Gif89", "GIF89a\x10\0", 500, RecordKind::Picture},
    {"Png", Png, 900, RecordKind::Picture},
    {"BmpOfItsOwnLength", std::string("BM\x00\x01\x00\x00\0\0", 8), 256, RecordKind::Picture},
    {"BmpOfAnotherLength", std::string("BM\x00\x02\x00\x00\0\0", 8), 256, RecordKind::Needed},
    {"Font", "FONT\0\0\0\x18", 70000, RecordKind::Font},
    {"Audio", "AUDI\0\0\0\x0C", 9000, RecordKind::Audio},
    {"Video", "VIDE\0\0\0\x0C", 9000, RecordKind::Video},
    {"Sources", "SRCS\0\0\0\x10", 90000, RecordKind::Source},
    {"ConversionLog", "CMET\0\0\0\x0C", 900, RecordKind::Source},
    // What the text and its indexes need.
    {"Fdst", "FDST\0\0\0\x0C", 40, RecordKind::Needed},
    {"Index", "INDX\0\0\0\xC0", 3000, RecordKind::Needed},
    {"Flis", "FLIS\0\0\0\x08", 36, RecordKind::Needed},
    {"Fcis", "FCIS\0\0\0\x14", 44, RecordKind::Needed},
    {"Datp", "DATP\0\0\0\x0C", 40, RecordKind::Needed},
    {"Resc", "RESC\0\0\0\x01", 400, RecordKind::Needed},
    {"Huff", "HUFF\0\0\0\x18", 1000, RecordKind::Needed},
    {"Cdic", "CDIC\0\0\0\x10", 1000, RecordKind::Needed},
    {"Boundary", "BOUNDARY", 8, RecordKind::Needed},
    {"EndMark", "\xE9\x8E\r\n", 4, RecordKind::Needed},
    {"Unknown", "Z\0\0\0\0\0\0\0", 100, RecordKind::Needed},
    // Too short to be told: libmobi takes nothing under 4 bytes for a resource.
    {"JpegMagicInThreeBytes", "\xFF\xD8\xFF", 3, RecordKind::Needed},
    {"GifMagicCutShort", "GIF", 3, RecordKind::Needed},
    {"PngMagicInSevenBytes", Png.substr(0, 7), 7, RecordKind::Needed},
    {"BmpOfFiveBytes", std::string("BM\x05\0\0", 5), 5, RecordKind::Needed},
    {"FontInFourBytes", "FONT", 4, RecordKind::Font},
    // Fewer bytes given than the record holds: only those count.
    {"StartOfTwoBytes", "GI", 500, RecordKind::Needed},
    {"JpegMagicAlone", "\xFF\xD8\xFF", 4000, RecordKind::Picture},
    {"JpegMagicCutShort", "\xFF\xD8", 4000, RecordKind::Needed},
    {"GifOfNoKnownVersion", "GIF88a", 500, RecordKind::Needed},
    {"GifWithMore", "GIF89a;", 500, RecordKind::Picture},
    {"PngMagicCutShort", Png.substr(0, 7), 900, RecordKind::Needed},
    {"BmpMagicWithoutItsLength", "BM", 4000, RecordKind::Needed},
    {"OneByte", "B", 4000, RecordKind::Needed},
    {"NoByte", "", 4000, RecordKind::Needed},
};

void PrintTo(const KindCase& kind, std::ostream* os) {
    *os << kind.Name;
}

class RecordKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(RecordKinds, AreToldFromTheFirstBytes) {
    const KindCase& kind = GetParam();
    EXPECT_EQ(ClassifyRecord(reinterpret_cast<const unsigned char*>(kind.Start.data()),
                             kind.Start.size(), kind.Size),
              kind.Kind);
}

INSTANTIATE_TEST_SUITE_P(Signatures, RecordKinds, ::testing::ValuesIn(KindCases),
                         NamedBy<&KindCase::Name>());

// A Palm header declaring `offsets.size()` records, and their entries.
RecordTable MakeTable(const std::vector<uint32_t>& offsets, uint64_t end,
                      const char* type = "BOOK") {
    std::vector<unsigned char> header(RecordTable::HeaderLength, 0);
    std::copy(type, type + 4, header.begin() + 60);
    header[76] = static_cast<unsigned char>(offsets.size() >> 8);
    header[77] = static_cast<unsigned char>(offsets.size());
    std::vector<unsigned char> entries;
    for (size_t i = 0; i < offsets.size(); ++i) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            entries.push_back(static_cast<unsigned char>(offsets[i] >> shift));
        }
        entries.insert(entries.end(), {0, 0, 0, static_cast<unsigned char>(2 * i)});
    }
    RecordTable table;
    EXPECT_TRUE(table.Assign(header.data(), entries.data(), offsets.size(), end));
    return table;
}

struct TableCase {
    const char* Name;
    std::vector<uint32_t> Offsets;
    uint64_t End;
    bool Fits;
    // How many records lie wholly inside the stream, which a book cut short is read with.
    size_t Whole;
};

const TableCase TableCases[] = {
    {"InOrder", {100, 200, 300}, 400, true, 3},
    {"EmptyRecordsBetween", {100, 200, 200, 200, 300}, 400, true, 5},
    {"LastRecordOfOneByte", {100, 399}, 400, true, 2},
    {"LastRecordAtTheEnd", {100, 400}, 400, false, 1},
    {"LastRecordPastTheEnd", {100, 500}, 400, false, 0},
    {"OffsetBackwards", {100, 300, 200}, 400, false, 3},
    {"MiddleOffsetPastTheEnd", {100, 0xFFFFFFF0u, 300}, 400, false, 0},
    {"NoRecords", {}, 400, false, 0},
    {"StreamBeyond32Bits", {100}, 0x100000000ull, false, 1},
    {"CutInsideTheThirdRecord", {100, 200, 300, 400}, 350, false, 2},
    {"CutWhereARecordStarts", {100, 200, 300, 400}, 300, false, 2},
    {"CutInsideRecordZero", {100, 200, 300}, 150, false, 0},
    // libmobi refuses a last record of no bytes: the table ends before empty ones too.
    {"CutAfterEmptyRecords", {100, 200, 200, 200, 300}, 250, false, 1},
};

void PrintTo(const TableCase& table, std::ostream* os) {
    *os << table.Name;
}

class RecordTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(RecordTables, FitTheStreamOrNot) {
    const TableCase& row = GetParam();
    RecordTable table = MakeTable(row.Offsets, row.End);
    EXPECT_EQ(table.Fits(), row.Fits);
    if (row.Fits) {
        uint64_t total = 0;
        for (size_t i = 0; i < table.Count(); ++i) {
            total += table.Size(i);
        }
        EXPECT_EQ(total, row.End - row.Offsets[0]);
    }
    // Ended before the first record that is not whole, a table in order fits, its last record
    // ending where the next one started.
    EXPECT_EQ(table.IntactRecords(), row.Whole);
    if (row.Whole > 0 && row.Whole < row.Offsets.size() &&
        table.FirstOutOfOrder() == row.Offsets.size()) {
        table.EndAt(row.Whole);
        EXPECT_TRUE(table.Fits());
        EXPECT_EQ(table.Count(), row.Whole);
        EXPECT_EQ(table.Listed(), row.Offsets.size());
        EXPECT_EQ(table.Size(row.Whole - 1), row.Offsets[row.Whole] - row.Offsets[row.Whole - 1]);
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, RecordTables, ::testing::ValuesIn(TableCases),
                         NamedBy<&TableCase::Name>());

TEST(RecordTable, KnowsTheTypesLibmobiLoads) {
    EXPECT_TRUE(MakeTable({100}, 200, "BOOK").IsBook());
    EXPECT_TRUE(MakeTable({100}, 200, "TEXt").IsBook());
    EXPECT_FALSE(MakeTable({100}, 200, "DATA").IsBook());
}

// A stream of 100 header-and-table bytes, then four records of 10, 20, 30 and 40 bytes, each
// byte telling its record (1 to 4) and its place in it.
struct FourRecords {
    FourRecords() : Stream(Bytes()) {
        Stream.Position = 0;
        Stdio.MeasureEnd();
        Table = MakeTable({100, 110, 130, 160}, 200);
    }
    static std::vector<unsigned char> Bytes() {
        std::vector<unsigned char> bytes(200, 0);
        const size_t starts[] = {100, 110, 130, 160, 200};
        for (size_t record = 0; record < 4; ++record) {
            for (size_t at = starts[record]; at < starts[record + 1]; ++at) {
                bytes[at] = static_cast<unsigned char>((record + 1) * 64 + at - starts[record]);
            }
        }
        return bytes;
    }
    RecordingStream Stream;
    StreamStdio Stdio{&Stream};
    RecordTable Table;
};

uint32_t Big32(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 |
           static_cast<uint32_t>(at[2]) << 8 | at[3];
}

// Records 1 and 3 hidden: the table lists records 0 to 2, record 1 empty where record 2
// starts, and the view's bytes are records 0 and 2 back to back.
TEST(RecordView, ShowsHiddenRecordsEmptyAndEndsWithTheLastShown) {
    FourRecords book;
    RecordStore store(book.Stdio, book.Table);
    ASSERT_TRUE(store.Init());
    RecordView view(store);
    const bool shown[] = {true, false, true, false};
    ASSERT_TRUE(view.Show(shown));
    const size_t head = 78 + 3 * 8;
    const size_t length = head + 10 + 30;
    std::vector<unsigned char> seen(length + 5, 0);
    EXPECT_EQ(view.Read(seen.data(), 1, seen.size()), length);
    EXPECT_EQ(seen[77], 3); // the records listed
    const uint32_t starts[] = {Big32(&seen[78]), Big32(&seen[86]), Big32(&seen[94])};
    EXPECT_EQ(starts[0], head);
    EXPECT_EQ(starts[1], head + 10);
    EXPECT_EQ(starts[2], head + 10);
    EXPECT_EQ(seen[78 + 8 + 7], 2); // the entries keep their ids
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(seen[head + i], 64 + i);
    }
    for (size_t i = 0; i < 30; ++i) {
        EXPECT_EQ(seen[head + 10 + i], 3 * 64 + i);
    }
    // Hidden records are never read from the stream, and no byte is read twice.
    for (const RecordingStream::Call& call : book.Stream.Calls) {
        if (call.Method == "Read") {
            EXPECT_TRUE((call.Offset >= 100 && call.Offset + call.Count <= 110) ||
                        (call.Offset >= 130 && call.Offset + call.Count <= 160))
                << ::testing::PrintToString(call);
        }
    }
    // Seeks stay within the view: libmobi's measure of the last record.
    EXPECT_EQ(view.Seek(0, SEEK_END), 0);
    EXPECT_EQ(view.Tell(), static_cast<long>(length));
}

// A record whose first bytes were kept is served from them, then from the stream for the
// rest: each byte read once.
TEST(RecordView, ServesKeptBytesWithoutReadingThemAgain) {
    FourRecords book;
    RecordStore store(book.Stdio, book.Table);
    ASSERT_TRUE(store.Init());
    store.StreamStandsAt(0);
    ASSERT_TRUE(store.Keep(3, 8));
    ASSERT_TRUE(store.KeepWhole(0));
    RecordView view(store);
    const bool shown[] = {true, true, true, true};
    ASSERT_TRUE(view.Show(shown));
    ASSERT_EQ(view.Seek(0, SEEK_END), 0);
    std::vector<unsigned char> seen(static_cast<size_t>(view.Tell()));
    ASSERT_EQ(view.Seek(0, SEEK_SET), 0);
    ASSERT_EQ(view.Read(seen.data(), 1, seen.size()), seen.size());
    std::vector<int> counts(200, 0);
    for (const RecordingStream::Call& call : book.Stream.Calls) {
        for (int64_t at = call.Method == "Read" ? call.Offset : 0;
             call.Method == "Read" && at < call.Offset + call.Count; ++at) {
            ++counts[static_cast<size_t>(at)];
        }
    }
    for (size_t at = 100; at < 200; ++at) {
        EXPECT_EQ(counts[at], 1) << at;
    }
    const std::vector<unsigned char> bytes = FourRecords::Bytes();
    EXPECT_EQ(std::vector<unsigned char>(seen.end() - 100, seen.end()),
              std::vector<unsigned char>(bytes.begin() + 100, bytes.end()));
}

// Text records are never classified: a PalmDOC book whose text starts with a picture's or a
// font's signature gives that text.
class TextStartingLikeAResource : public ::testing::TestWithParam<const char*> {};

TEST_P(TextStartingLikeAResource, IsStillRead) {
    const std::string text = std::string(GetParam()) + " and the rest of the sentence.";
    const PalmBook book = PalmBook::MakePalmDoc("signature", text);
    const DrainResult drained = DrainBook(book.Bytes);
    ASSERT_FALSE(drained.Chunks.empty());
    const std::u16string& content = drained.Chunks.back().Content;
    EXPECT_NE(content.find(u" and the rest of the sentence."), std::u16string::npos);
    EXPECT_EQ(content.substr(0, 4), std::u16string(GetParam(), GetParam() + 4));
}

INSTANTIATE_TEST_SUITE_P(Signatures, TextStartingLikeAResource,
                         ::testing::Values("GIF89a", "FONT", "SRCS", "AUDI", "CMET"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// A picture record of `size` bytes at `at` of a book: JPEG's signature, then bytes that look
// like nothing else.
unsigned char PictureByte(uint64_t at, uint64_t firstPicture, uint64_t size) {
    const uint64_t within = (at - firstPicture) % size;
    static const unsigned char magic[] = {0xFF, 0xD8, 0xFF, 0xE0};
    return within < 4 ? magic[within] : static_cast<unsigned char>(within * 2654435761u >> 24);
}

// More than 100 MB of pictures after a KF8 book, generated as they are read: the book's own
// records, then 420 JPEG-like records of 256 KiB.
struct GeneratedPictureBook {
    static constexpr uint64_t PictureSize = 256 * 1024;
    static constexpr size_t Pictures = 420; // 105 MiB

    explicit GeneratedPictureBook(const std::vector<unsigned char>& original) : Book(original) {
        const size_t first = Book.RecordCount();
        for (size_t i = 0; i < Pictures; ++i) {
            Book.AppendRecord({0xFF, 0xD8, 0xFF, 0xE0});
        }
        // Spread the pictures out to their full size; their bytes are made, not held.
        FirstPicture = Book.RecordOffset(first);
        Book.Bytes.resize(FirstPicture);
        for (size_t i = 0; i < Pictures; ++i) {
            const uint64_t offset = FirstPicture + i * PictureSize;
            for (int b = 0; b < 4; ++b) {
                Book.Bytes[78 + 8 * (first + i) + b] =
                    static_cast<unsigned char>(offset >> (24 - 8 * b));
            }
        }
        Length = FirstPicture + Pictures * PictureSize;
    }

    // A stream over the whole book, the pictures made as they are read.
    void Serve(RecordingStream& stream) const {
        stream.ReportedLength = Length;
        const uint64_t firstPicture = FirstPicture;
        stream.Beyond = [firstPicture](uint64_t at) {
            return PictureByte(at, firstPicture, PictureSize);
        };
    }

    PalmBook Book;
    uint64_t FirstPicture = 0;
    uint64_t Length = 0;
};

// The bytes a stream was asked for, and whether any of them lay among the pictures.
uint64_t BytesRead(const RecordingStream& stream, uint64_t firstPicture, bool* picturesRead) {
    uint64_t read = 0;
    *picturesRead = false;
    for (const RecordingStream::Call& call : stream.Calls) {
        if (call.Method == "Read") {
            read += call.Count;
            *picturesRead = *picturesRead || static_cast<uint64_t>(call.Offset) >= firstPicture;
        }
    }
    return read;
}

// The text is the book's own. The filter reads the records its text needs, each byte once, and
// nothing of the pictures; the whole book's load, which libmobi's whole rebuilding of the markup
// is given where the text cannot be read part by part, reads the book, the record table and 8
// bytes of each picture.
TEST(PictureBook, OfMoreThan100MBReadsOnlyItsTextRecords) {
    const std::vector<unsigned char> original = TestBook("harbor-kf8.azw3");
    const GeneratedPictureBook generated(original);
    const uint64_t firstPicture = generated.FirstPicture;
    const uint64_t length = generated.Length;
    constexpr uint64_t PictureSize = GeneratedPictureBook::PictureSize;
    ASSERT_GT(length, 100u * 1000 * 1000);
    RecordingStream stream(generated.Book.Bytes);
    generated.Serve(stream);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    const DrainResult drained = DrainFilter(binding.Filter.Get());
    const DrainResult alone = DrainBook(original);
    ASSERT_EQ(drained.Chunks.size(), alone.Chunks.size());
    for (size_t i = 0; i < alone.Chunks.size(); ++i) {
        EXPECT_TRUE(drained.Chunks[i].Content == alone.Chunks[i].Content) << i;
    }
    EXPECT_EQ(drained.End, alone.End);
    std::vector<int> counts(firstPicture, 0);
    for (const RecordingStream::Call& call : stream.Calls) {
        if (call.Method == "Read") {
            ASSERT_LE(static_cast<uint64_t>(call.Offset) + call.Count, firstPicture)
                << ::testing::PrintToString(call);
            for (uint64_t at = static_cast<uint64_t>(call.Offset);
                 at < static_cast<uint64_t>(call.Offset) + call.Count; ++at) {
                ASSERT_EQ(++counts[at], 1) << at;
            }
        }
    }

    RecordingStream wholeStream(generated.Book.Bytes);
    generated.Serve(wholeStream);
    OpenedBook whole;
    ASSERT_EQ(OpenBook(&wholeStream, OpenFor::Rebuilding, whole), S_OK);
    uint64_t read = 0;
    for (const RecordingStream::Call& call : wholeStream.Calls) {
        read += call.Method == "Read" ? call.Count : 0;
        if (call.Method == "Read" && static_cast<uint64_t>(call.Offset) >= firstPicture) {
            EXPECT_EQ(call.Count, 8u) << ::testing::PrintToString(call);
            EXPECT_EQ((call.Offset - firstPicture) % PictureSize, 0u);
        }
    }
    EXPECT_EQ(read, firstPicture - 2 + 8 * GeneratedPictureBook::Pictures);
    EXPECT_LT(read, length / 100);
}

// Explorer's two readers over the same picture book: the properties read the Palm header, the
// record table and record 0; the cover adds the one cover record. No picture appended is read,
// not even its first bytes.
TEST(PictureBook, OfMoreThan100MBGivesPropertiesAndCoverFromItsHeadersAndOneRecord) {
    const std::vector<unsigned char> original = TestBook("covers/lantern-kf8.azw3");
    const GeneratedPictureBook generated(original);
    const PalmBook plain(original);
    const uint64_t headers = RecordTable::HeaderLength +
                             plain.RecordCount() * RecordTable::EntryLength +
                             (plain.RecordOffset(1) - plain.RecordOffset(0));

    RecordingStream propertiesStream(generated.Book.Bytes);
    generated.Serve(propertiesStream);
    ComPtr<IPropertyStore> store;
    ASSERT_EQ(MakeBoundObject<CBookPropertyStore>(&propertiesStream, IID_IPropertyStore, store),
              S_OK);
    bool picturesRead = true;
    // The generated book's table is 8 bytes a picture longer than the original's.
    const uint64_t table = 8 * GeneratedPictureBook::Pictures;
    const uint64_t propertiesRead =
        BytesRead(propertiesStream, generated.FirstPicture, &picturesRead);
    EXPECT_LE(propertiesRead, headers + table);
    EXPECT_FALSE(picturesRead);
    PropVariant title;
    ASSERT_EQ(store->GetValue(PKEY_Title, &title.Get()), S_OK);
    ASSERT_EQ(title->vt, VT_LPWSTR);

    RecordingStream coverStream(generated.Book.Bytes);
    generated.Serve(coverStream);
    ComPtr<IBookCover> cover;
    ASSERT_EQ(MakeBoundObject<CBookThumbnailProvider>(&coverStream, IID_IBookCover, cover), S_OK);
    BYTE* bytes = nullptr;
    ULONG size = 0;
    ASSERT_EQ(cover->GetCoverBytes(&bytes, &size), S_OK);
    const CoTaskMemPtr<BYTE> held(bytes);
    const uint64_t coverRead = BytesRead(coverStream, generated.FirstPicture, &picturesRead);
    EXPECT_LE(coverRead, headers + table + size);
    EXPECT_FALSE(picturesRead);
    std::printf("of %llu bytes: properties read %llu, the cover %llu (a cover of %lu)\n",
                static_cast<unsigned long long>(generated.Length),
                static_cast<unsigned long long>(propertiesRead),
                static_cast<unsigned long long>(coverRead), static_cast<unsigned long>(size));
    ASSERT_GE(size, 3u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
}

} // namespace
