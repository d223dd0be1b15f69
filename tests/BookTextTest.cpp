// SPDX-License-Identifier: LGPL-3.0-or-later
// The text read part by part: parts rebuilt as libmobi rebuilds them, quirks included, against
// libmobi's own rebuilding of the same indexes; the records a first text chunk reads; damaged
// books that give the parts before the damage; and the whole book rebuilt where the indexes do
// not suit.
#include "book/load/MobiHolders.h"
#include "book/load/OpenBook.h"
#include "book/markup/MarkupScanner.h"
#include "book/text/PartAssembly.h"
#include "book/text/PartIndex.h"
#include "tests/support/BookBinding.h"
#include "tests/support/BookHtmlParts.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// libmobi's rebuilding of the parts from parsed indexes, global in its static library.
extern "C" MOBI_RET mobi_reconstruct_parts(MOBIRawml* rawml);

namespace {

// A part as its index entries give it: where its skeleton lies in the first flow and how long it
// is, and each fragment's label (where it goes) and length.
struct PartRow {
    uint32_t Position;
    uint32_t SkeletonLength;
    std::vector<std::pair<uint32_t, uint32_t>> Fragments;
    uint32_t File = ~0u; // the file number its fragments give; ~0u: the part's own
};

struct AssemblyCase {
    const char* Name;
    std::vector<PartRow> Parts;
    // The parts libmobi's rebuilding gets through; fewer than Parts: it fails on the next.
    size_t Rebuilt;
};

const AssemblyCase AssemblyCases[] = {
    {"InOrder", {{0, 20, {{5, 4}, {12, 3}}}}, 1},
    {"AtTheStartThenInsideIt", {{0, 20, {{0, 5}, {1, 2}, {30, 1}}}}, 1},
    {"AtTheEnd", {{0, 20, {{20, 6}, {26, 2}}}}, 1},
    {"BeyondTheEndPutAtTheEnd", {{0, 20, {{50, 6}, {99, 1}}}}, 1},
    // Searched from the fragment inserted last: none found, this one and the next not placed.
    {"BeforeTheOneInsertedLast", {{0, 20, {{10, 4}, {3, 2}, {15, 1}}}}, 1},
    // At the start of the entry searched from: the two swapped, the offsets after not moved.
    {"AtTheStartOfTheOneInsertedLast", {{0, 20, {{10, 4}, {10, 2}, {14, 3}, {16, 1}}}}, 1},
    {"OfNoBytes", {{0, 20, {{5, 0}, {5, 3}, {5, 0}, {8, 2}}}}, 1},
    // A later part's labels count from what the parts before rebuilt to.
    {"SecondPartCountsFromTheFirst", {{0, 10, {{4, 3}}}, {13, 8, {{15, 4}, {13, 1}}}}, 2},
    {"PartsOfSkeletonsAlone", {{0, 7, {}}, {7, 9, {}}, {16, 1, {}}}, 3},
    // libmobi fails: the parts before come.
    {"FragmentOfAnotherPart", {{0, 10, {{4, 3}}}, {13, 8, {{15, 4}}, 0}}, 1},
    {"FragmentBeforeItsPart", {{0, 10, {{4, 3}}}, {13, 8, {{12, 4}}}}, 1},
    {"SkeletonBeyondTheFlow", {{0, 10, {}}, {10, 900, {}}}, 1},
};

void PrintTo(const AssemblyCase& row, std::ostream* os) {
    *os << row.Name;
}

MOBIIndexTag Tag(size_t id, std::vector<uint32_t> values) {
    auto* copy = static_cast<uint32_t*>(std::malloc(values.size() * sizeof(uint32_t)));
    std::copy(values.begin(), values.end(), copy);
    return {id, values.size(), copy};
}

MOBIIndexEntry Entry(const std::string& label, std::vector<MOBIIndexTag> tags) {
    auto* tagCopy = static_cast<MOBIIndexTag*>(std::malloc(tags.size() * sizeof(MOBIIndexTag)));
    std::copy(tags.begin(), tags.end(), tagCopy);
    return {strdup(label.c_str()), tags.size(), tagCopy};
}

// An index as libmobi's parse leaves it, freed by libmobi with the rest of the markup.
MOBIIndx* Index(std::vector<MOBIIndexEntry> entries) {
    auto* index = static_cast<MOBIIndx*>(std::calloc(1, sizeof(MOBIIndx)));
    index->entries_count = index->total_entries_count = entries.size();
    index->entries =
        static_cast<MOBIIndexEntry*>(std::malloc((entries.size() + 1) * sizeof(MOBIIndexEntry)));
    std::copy(entries.begin(), entries.end(), index->entries);
    return index;
}

class PartAssemblies : public ::testing::TestWithParam<AssemblyCase> {};

TEST_P(PartAssemblies, RebuildEachPartAsLibmobiDoes) {
    const AssemblyCase& row = GetParam();
    // The first flow: 200 bytes, each telling its place, none a zero.
    const size_t flowLength = 200;
    std::vector<MOBIIndexEntry> skeletons;
    std::vector<MOBIIndexEntry> fragments;
    for (size_t i = 0; i < row.Parts.size(); ++i) {
        const PartRow& part = row.Parts[i];
        skeletons.push_back(Entry("SKEL" + std::to_string(i),
                                  {Tag(1, {static_cast<uint32_t>(part.Fragments.size())}),
                                   Tag(6, {part.Position, part.SkeletonLength})}));
        for (const auto& [insert, length] : part.Fragments) {
            const uint32_t file = part.File == ~0u ? static_cast<uint32_t>(i) : part.File;
            fragments.push_back(
                Entry(std::to_string(insert), {Tag(3, {file}), Tag(6, {0, length})}));
        }
    }
    MobiMarkup markup(static_cast<MOBIRawml*>(std::calloc(1, sizeof(MOBIRawml))));
    markup->skel = Index(skeletons);
    markup->frag = Index(fragments);
    markup->flow = static_cast<MOBIPart*>(std::calloc(1, sizeof(MOBIPart)));
    markup->flow->data = static_cast<unsigned char*>(std::malloc(flowLength));
    markup->flow->size = flowLength;
    for (size_t i = 0; i < flowLength; ++i) {
        markup->flow->data[i] = static_cast<unsigned char>(1 + i);
    }

    PartIndex index;
    ASSERT_EQ(index.List(*markup->skel, *markup->frag, 0, flowLength), PartIndex::Result::Ready);
    EXPECT_EQ(index.Count(), row.Rebuilt);
    const bool rebuilt = mobi_reconstruct_parts(markup.Get()) == MOBI_SUCCESS;
    EXPECT_EQ(rebuilt, row.Rebuilt == row.Parts.size());
    PartAssembly assembly;
    ASSERT_TRUE(assembly.Init(index.MostFragments()));
    const MOBIPart* theirs = markup->markup;
    for (size_t i = 0; i < index.Count(); ++i) {
        assembly.Assemble(index, index[i]);
        std::string ours;
        for (size_t piece = 0; piece < assembly.Count(); ++piece) {
            ours.append(reinterpret_cast<const char*>(markup->flow->data) + index[i].Start +
                            assembly[piece].From,
                        assembly[piece].Length);
        }
        const size_t placed = ours.size();
        ours.resize(assembly.Length(), '\0');
        if (!rebuilt) {
            continue;
        }
        ASSERT_NE(theirs, nullptr);
        ASSERT_EQ(theirs->size, ours.size()) << "part " << i;
        // Past the fragments placed, libmobi's part holds bytes nothing wrote; ours, zeros.
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(theirs->data), placed),
                  ours.substr(0, placed))
            << "part " << i;
        theirs = theirs->next;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PartAssemblies, ::testing::ValuesIn(AssemblyCases),
                         NamedBy<&AssemblyCase::Name>());

// Parts whose skeletons do not come in the order of the text are left to libmobi's whole
// rebuilding.
TEST(PartIndex, LeavesPartsOutOfOrderToTheWholeBook) {
    MobiMarkup markup(static_cast<MOBIRawml*>(std::calloc(1, sizeof(MOBIRawml))));
    markup->skel = Index(
        {Entry("A", {Tag(1, {0}), Tag(6, {10, 5})}), Entry("B", {Tag(1, {0}), Tag(6, {0, 10})})});
    markup->frag = Index({});
    PartIndex index;
    EXPECT_EQ(index.List(*markup->skel, *markup->frag, 0, 100), PartIndex::Result::WholeBook);
}

void SetBig32(std::vector<unsigned char>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    }
}

std::vector<std::u16string> TextChunks(const DrainResult& drained) {
    std::vector<std::u16string> texts;
    for (const DrainedChunk& chunk : drained.Chunks) {
        if (chunk.Kind == CHUNK_TEXT) {
            texts.push_back(chunk.Content);
        }
    }
    return texts;
}

// The book's text records replaced with `texts`, record by record, the others kept: the Palm
// database written anew with their offsets.
std::vector<unsigned char> WithTextRecords(const std::vector<unsigned char>& bytes,
                                           const std::vector<std::string>& texts) {
    const PalmBook book(bytes);
    const auto records = book.Records();
    std::vector<unsigned char> out(bytes.begin(), bytes.begin() + records[0].first);
    for (size_t i = 0; i < records.size(); ++i) {
        SetBig32(out, 78 + 8 * i, static_cast<uint32_t>(out.size()));
        if (i >= 1 && i <= texts.size()) {
            out.insert(out.end(), texts[i - 1].begin(), texts[i - 1].end());
        } else {
            out.insert(out.end(), bytes.begin() + records[i].first,
                       bytes.begin() + records[i].first + records[i].second);
        }
    }
    return out;
}

// The text libmobi decompresses from a book's records.
std::string DecodedText(const std::vector<unsigned char>& bytes) {
    RecordingStream stream(bytes);
    OpenedBook opened;
    EXPECT_EQ(OpenBook(&stream, OpenFor::Rebuilding, opened), S_OK);
    const MobiBook& book = opened.Book;
    size_t length = mobi_get_text_maxsize(book.Get());
    std::string text(length + 1, '\0');
    EXPECT_EQ(mobi_get_rawml(book.Get(), text.data(), &length), MOBI_SUCCESS);
    text.resize(length);
    return text;
}

// A book derived from a test book: its text stored another way, its header saying so.
struct Derivation {
    const char* Name;
    const char* Book;
    // Records of stored text, uncompressed, cut to these lengths in turn (none: as they are).
    std::vector<size_t> Lengths;
    uint16_t RecordSize;       // the header's largest record (0: as it is)
    uint32_t Version;          // the MOBI header's version (0: as it is)
    bool Cp1252;               // the header says cp1252
    std::vector<size_t> Zeros; // zero bytes put into the text at these places
    // Tags of this many bytes of content, holding no '<', put into the text before the first
    // '<' at or after these places; a tag of content 0 is one that the text's end cuts off.
    std::vector<std::pair<size_t, size_t>> LongTags = {};
};

// A paragraph's tag with a long class list, `length` bytes between its '<' and '>'.
std::string LongTag(size_t length) {
    return length == 0 ? "<img src=\"" + std::string(400, 's')
                       : "<p class=\"" + std::string(length - 10, 'c') + "\">";
}

const Derivation Derivations[] = {
    {"Cp1252Kf7", "harbor-kf7.mobi", {}, 0, 0, true, {}},
    {"Cp1252Kf8", "harbor-kf8.azw3", {}, 0, 0, true, {}},
    // Records of every length up to the header's largest, empty ones among them, cut inside
    // characters and tags: the window and the conversion carry across them.
    {"UncompressedRecordsOfManyLengthsKf7",
     "ledger-large-kf7.mobi",
     {8000, 0, 8000, 4095, 17, 8000, 8000, 1},
     8000,
     0,
     false,
     {}},
    {"UncompressedRecordsOfManyLengthsKf8",
     "ledger-large-kf8.azw3",
     {8000, 0, 8000, 4095, 17, 8000, 8000, 1},
     8000,
     0,
     false,
     {}},
    // An old book loses the zero bytes of its uncompressed records; a newer one ends its text
    // at the first.
    {"ZerosOfAnOldBookLeftOut", "harbor-kf7.mobi", {3000, 3000}, 4096, 3, false, {7, 500, 501}},
    {"ZeroEndsTheTextOfANewerBook", "harbor-kf7.mobi", {3000, 3000}, 4096, 0, false, {900}},
    {"ZeroEndsTheTextOfACp1252Book", "harbor-kf7.mobi", {3000, 3000}, 4096, 0, true, {900}},
    // Tags whose '>' comes records and stretches after their '<': the conversion waits for it
    // up to the longest tag, and no further.
    {"LongTagsAcrossRecordsAndStretches",
     "ledger-large-kf7.mobi",
     {8000, 0, 8000, 4095, 17, 8000, 8000, 1},
     8000,
     0,
     false,
     {},
     {{100000, 300},
      {200000, MaxLongTagContent},
      {400000, MaxLongTagContent + 1},
      {~size_t{0}, 0}}},
};

void PrintTo(const Derivation& row, std::ostream* os) {
    *os << row.Name;
}

std::vector<unsigned char> Derive(const Derivation& row) {
    std::vector<unsigned char> bytes = TestBook(row.Book);
    if (!row.Lengths.empty()) {
        std::string text = DecodedText(bytes);
        for (const size_t at : row.Zeros) {
            text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), '\0');
        }
        for (const auto& [place, length] : row.LongTags) {
            const size_t at = place < text.size() ? text.find('<', place) : std::string::npos;
            text.insert(at == std::string::npos ? text.size() : at, LongTag(length));
        }
        const size_t count = PalmBook(bytes).TextRecords().second;
        std::vector<std::string> records;
        size_t at = 0;
        for (size_t i = 0; records.size() < count; ++i) {
            const size_t length = std::min(row.Lengths[i % row.Lengths.size()], text.size() - at);
            records.push_back(text.substr(at, length));
            at += length;
        }
        EXPECT_EQ(at, text.size()) << "the records hold the whole text";
        bytes = WithTextRecords(bytes, records);
        PalmBook derived(bytes);
        derived.SetRecord0Field16(0, 1); // uncompressed
        derived.SetRecord0Field32(4, static_cast<uint32_t>(text.size()));
        derived.SetRecord0Field16(10, row.RecordSize);
        derived.SetRecord0Field16(242, 0); // no trailing entries
        bytes = derived.Bytes;
    }
    PalmBook derived(bytes);
    if (row.Version != 0) {
        derived.SetRecord0Field32(36, row.Version);
    }
    if (row.Cp1252) {
        derived.SetRecord0Field32(28, 1252);
    }
    return derived.Bytes;
}

class DerivedBooks : public ::testing::TestWithParam<Derivation> {};

// The text read part by part is libmobi's whole rebuilding of the same book, converted.
TEST_P(DerivedBooks, GiveTheTextOfLibmobisWholeRebuilding) {
    const std::vector<unsigned char> bytes = Derive(GetParam());
    bool rebuilt = false;
    const std::vector<std::u16string> whole = WholeRebuildTexts(bytes, &rebuilt);
    ASSERT_TRUE(rebuilt);
    ASSERT_FALSE(whole.empty());
    RecordingStream stream(bytes);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    const std::vector<std::u16string> texts = TextChunks(DrainFilter(binding.Filter.Get(), 97));
    EXPECT_EQ(texts.size(), whole.size());
    EXPECT_TRUE(texts == whole);
}

INSTANTIATE_TEST_SUITE_P(Cases, DerivedBooks, ::testing::ValuesIn(Derivations),
                         NamedBy<&Derivation::Name>());

// The first chunk of text comes from the first part's records alone: a host that wants the
// start of a book (a preview) does not pay for the rest of it.
TEST(BookText, TheFirstTextReadsOnlyTheFirstPartsRecords) {
    const std::vector<unsigned char> bytes = TestBook("ledger-large-kf8.azw3");
    const PalmBook book(bytes);
    const auto [first, count] = book.TextRecords();
    RecordingStream stream(bytes);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    IFilter* filter = binding.Filter.Get();
    ULONG flags = 0;
    ASSERT_EQ(filter->Init(0, 0, nullptr, &flags), S_OK);
    STAT_CHUNK stat;
    do {
        ASSERT_EQ(filter->GetChunk(&stat), S_OK);
    } while (stat.flags != CHUNK_TEXT);
    WCHAR portion[64];
    ULONG length = 64;
    ASSERT_EQ(filter->GetText(&length, portion), S_OK);
    bool rebuilt = false;
    const std::vector<std::u16string> whole = WholeRebuildTexts(bytes, &rebuilt);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(portion), length),
              whole[0].substr(0, 63));
    size_t textRecordsRead = 0;
    for (size_t record = first; record < first + count; ++record) {
        textRecordsRead += stream.ReadsAt(book.RecordOffset(record));
    }
    EXPECT_GE(textRecordsRead, 1u);
    EXPECT_LE(textRecordsRead, 12u) << "of " << count;
}

// The book with a record whose decompression fails.
std::vector<unsigned char> WithRecordThatFails(const std::vector<unsigned char>& bytes,
                                               size_t record) {
    PalmBook book(bytes);
    book.SpoilPalmDocRecord(record);
    return book.Bytes;
}

// A damaged book whose text fails part way gives the parts before the fault, each as the whole
// book gives it, and ends its chunks normally, where libmobi's whole rebuilding gives none.
TEST(BookText, ARecordThatFailsEndsTheTextAfterThePartsBeforeIt) {
    const std::vector<unsigned char> original = TestBook("ledger-large-kf8.azw3");
    const auto [first, count] = PalmBook(original).TextRecords();
    const std::vector<unsigned char> damaged = WithRecordThatFails(original, first + count / 2);
    bool rebuilt = true;
    EXPECT_TRUE(WholeRebuildTexts(damaged, &rebuilt).empty());
    EXPECT_FALSE(rebuilt);
    const DrainResult drained = DrainBook(damaged);
    const DrainResult whole = DrainBook(original);
    EXPECT_EQ(drained.End, FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(drained.ValueCount(), whole.ValueCount());
    const std::vector<std::u16string> parts = TextChunks(drained);
    const std::vector<std::u16string> all = TextChunks(whole);
    EXPECT_GT(parts.size(), all.size() / 4);
    EXPECT_LT(parts.size(), all.size() * 3 / 4);
    EXPECT_TRUE(parts == std::vector<std::u16string>(all.begin(), all.begin() + parts.size()));
}

// A book of one part has its text up to the record that fails.
TEST(BookText, ARecordThatFailsEndsTheOnePartWithTheTextBeforeIt) {
    const std::vector<unsigned char> original = TestBook("ledger-large-kf7.mobi");
    const auto [first, count] = PalmBook(original).TextRecords();
    const DrainResult drained = DrainBook(WithRecordThatFails(original, first + count / 2));
    const std::vector<std::u16string> parts = TextChunks(drained);
    const std::vector<std::u16string> all = TextChunks(DrainBook(original));
    EXPECT_EQ(drained.End, FILTER_E_END_OF_CHUNKS);
    ASSERT_EQ(parts.size(), 1u);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_GT(parts[0].size(), all[0].size() / 4);
    EXPECT_LT(parts[0].size(), all[0].size() * 3 / 4);
    // The text up to the fault; the bytes that waited for more are converted as the part's
    // end, a final line feed after them.
    size_t same = 0;
    while (same < parts[0].size() && parts[0][same] == all[0][same]) {
        ++same;
    }
    EXPECT_GE(same + MarkupLookahead + 1, parts[0].size());
}

// The index of a record of the book's KF8 part, by the field of its MOBI header that names it.
size_t HeaderRecord(const std::vector<unsigned char>& bytes, uint32_t* MOBIMobiHeader::*field) {
    RecordingStream stream(bytes);
    OpenedBook opened;
    EXPECT_EQ(OpenBook(&stream, OpenFor::Rebuilding, opened), S_OK);
    return *(opened.Book->mh->*field) + mobi_get_kf8offset(opened.Book.Get());
}

// A first FDST section that ends halfway: the parts within it come.
TEST(BookText, AFirstFdstSectionCutShortEndsTheTextWhereItEnds) {
    const std::vector<unsigned char> original = TestBook("ledger-large-kf8.azw3");
    std::vector<unsigned char> damaged = original;
    const PalmBook book(original);
    const size_t fdst = book.RecordOffset(HeaderRecord(original, &MOBIMobiHeader::fdst_index));
    ASSERT_EQ(std::string(original.begin() + fdst, original.begin() + fdst + 4), "FDST");
    // The first section's end, after the header's 12 bytes and its start.
    const uint32_t end = static_cast<uint32_t>(original[fdst + 16]) << 24 |
                         original[fdst + 17] << 16 | original[fdst + 18] << 8 | original[fdst + 19];
    SetBig32(damaged, fdst + 16, end / 2);
    const std::vector<std::u16string> parts = TextChunks(DrainBook(damaged));
    const std::vector<std::u16string> all = TextChunks(DrainBook(original));
    EXPECT_GT(parts.size(), all.size() / 4);
    EXPECT_LT(parts.size(), all.size() * 3 / 4);
    EXPECT_TRUE(parts == std::vector<std::u16string>(all.begin(), all.begin() + parts.size()));
}

// A skeleton index libmobi cannot parse: the whole book is loaded and rebuilt, as before, and
// libmobi's rebuilding fails on it too: the values alone.
TEST(BookText, ASkeletonIndexThatDoesNotParseLeavesTheBookToTheWholeRebuilding) {
    const std::vector<unsigned char> original = TestBook("ledger-large-kf8.azw3");
    std::vector<unsigned char> damaged = original;
    const size_t skeleton =
        PalmBook(original).RecordOffset(HeaderRecord(original, &MOBIMobiHeader::skeleton_index));
    ASSERT_EQ(std::string(original.begin() + skeleton, original.begin() + skeleton + 4), "INDX");
    damaged[skeleton] = 'X';
    bool rebuilt = true;
    WholeRebuildTexts(damaged, &rebuilt);
    EXPECT_FALSE(rebuilt);
    RecordingStream stream(damaged);
    Binding binding(stream);
    ASSERT_EQ(binding.Bound, S_OK);
    const DrainResult drained = DrainFilter(binding.Filter.Get());
    EXPECT_EQ(drained.End, FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(drained.Chunks.size(), DrainBook(original).ValueCount());
    // The whole book's load read the text records when the book was bound.
    const PalmBook book(damaged);
    const auto [first, count] = book.TextRecords();
    size_t read = 0;
    for (size_t record = first; record < first + count; ++record) {
        read += stream.ReadsAt(book.RecordOffset(record));
    }
    EXPECT_EQ(read, count);
}

} // namespace
