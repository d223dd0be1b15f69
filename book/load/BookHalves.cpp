// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookHalves.h"

#include "book/load/LoadBookFromSource.h"
#include "book/load/MobiHolders.h"
#include "book/load/RecordView.h"
#include "platform/AllocationFailures.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// libmobi's load of a view of the records flagged in `shown`.
MOBI_RET LoadView(RecordStore& store, const bool* shown, bool useKf8, MobiBook& book) {
    RecordView view(store);
    book.Reset(mobi_init());
    if (!book || !view.Show(shown)) {
        return MOBI_MALLOC_FAILED;
    }
    book->use_kf8 = useKf8;
    return LoadBookFromSource(book.Get(), view);
}

size_t TextRecordsOf(const MOBIData* half) {
    return half != nullptr && half->rh != nullptr ? half->rh->text_record_count : 0;
}

bool IsSet(const uint32_t* field) {
    return field != nullptr && *field != MOBI_NOTSET;
}

// What the text of `book`'s current half needs beside its text records, found as libmobi
// finds it (its record numbers count from the half's record 0).
void FindTextNeeds(size_t count, const MOBIData* book, BookHalves::Half& half) {
    const MOBIMobiHeader* header = book->mh;
    if (header == nullptr) {
        return;
    }
    const size_t offset = mobi_get_kf8offset(book);
    if (book->rh != nullptr && book->rh->compression_type == MOBI_COMPRESSION_HUFFCDIC &&
        IsSet(header->huff_rec_index) && header->huff_rec_count != nullptr) {
        const size_t first = *header->huff_rec_index + offset;
        if (first < count) {
            const size_t records = *header->huff_rec_count;
            half.Huffman = {first, records < count - first ? records : count - first};
        }
    }
    if (mobi_exists_fdst(book) && header->fdst_section_count != nullptr &&
        *header->fdst_section_count > 1) {
        const size_t fdst = mobi_get_fdst_record_number(book);
        if (fdst < count) {
            half.Fdst = fdst;
        }
    }
    if (mobi_exists_skel_indx(book) && mobi_exists_frag_indx(book)) {
        half.Skeleton = *header->skeleton_index + offset;
    }
    if (mobi_exists_frag_indx(book)) {
        half.Fragments = *header->fragment_index + offset;
    }
}

} // namespace

MOBI_RET FindBookHalves(RecordStore& store, BookHalves& halves) {
    halves = BookHalves();
    const RecordTable& table = store.Records();
    const size_t count = table.Count();
    std::unique_ptr<bool[]> shown(NewZeroedArray<bool>(count + 1));
    if (!shown || !store.KeepWhole(0)) {
        return shown ? MOBI_DATA_CORRUPT : MOBI_MALLOC_FAILED;
    }
    shown[0] = true;
    MobiBook book;
    MOBI_RET loaded = LoadView(store, shown.get(), true, book);
    if (loaded != MOBI_SUCCESS) {
        return loaded;
    }
    halves.First.Record0 = 0;
    halves.First.TextRecords = TextRecordsOf(book.Get());
    FindTextNeeds(count, book.Get(), halves.First);
    // As mobi_get_kf8boundary_seqnumber: EXTH 121 less one, when that record says BOUNDARY.
    const MOBIExthHeader* tag = mobi_get_exthrecord_by_tag(book.Get(), EXTH_KF8BOUNDARY);
    if (tag == nullptr) {
        return MOBI_SUCCESS;
    }
    const uint32_t boundary =
        mobi_decode_exthvalue(static_cast<const unsigned char*>(tag->data), tag->size) - 1;
    constexpr char Magic[] = "BOUNDARY";
    constexpr size_t MagicLength = sizeof(Magic) - 1;
    if (boundary >= count || !store.Keep(boundary, MagicLength)) {
        return boundary >= count ? MOBI_SUCCESS : MOBI_DATA_CORRUPT;
    }
    size_t kept = 0;
    const unsigned char* start = store.Kept(boundary, &kept);
    if (kept < MagicLength || std::memcmp(start, Magic, MagicLength) != 0) {
        return MOBI_SUCCESS;
    }
    const size_t kf8 = size_t{boundary} + 1;
    if (kf8 >= count) {
        // libmobi's load refuses a hybrid without its KF8 record 0.
        halves.Boundary = boundary;
        return MOBI_SUCCESS;
    }
    if (!store.KeepWhole(boundary) || !store.KeepWhole(kf8)) {
        return MOBI_DATA_CORRUPT;
    }
    shown[boundary] = true;
    shown[kf8] = true;
    // Swapped to the KF8 half, as the load of the text is: its record numbers count from the
    // KF8 record 0.
    MobiBook hybrid;
    loaded = LoadView(store, shown.get(), true, hybrid);
    if (loaded != MOBI_SUCCESS) {
        return loaded;
    }
    if (hybrid->kf8_boundary_offset == MOBI_NOTSET || hybrid->next == nullptr) {
        return MOBI_SUCCESS;
    }
    halves.Boundary = boundary;
    halves.Kf8.Record0 = kf8;
    halves.Kf8.TextRecords = TextRecordsOf(hybrid.Get());
    FindTextNeeds(count, hybrid.Get(), halves.Kf8);
    return MOBI_SUCCESS;
}

BookHalves::Records IndexRecords(RecordStore& store, size_t first) {
    constexpr size_t CountAt = 24;
    const size_t count = store.Records().Count();
    if (first >= count || !store.Keep(first, CountAt + 4)) {
        return {};
    }
    size_t kept = 0;
    const unsigned char* header = store.Kept(first, &kept);
    size_t following = 0;
    if (kept >= CountAt + 4 && std::memcmp(header, "INDX", 4) == 0) {
        following = size_t{header[CountAt]} << 24 | size_t{header[CountAt + 1]} << 16 |
                    size_t{header[CountAt + 2]} << 8 | header[CountAt + 3];
    }
    return {first, following < count - first ? following + 1 : count - first};
}
