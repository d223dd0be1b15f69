// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookParts.h"

#include "book/load/LoadBookFromSource.h"
#include "book/load/MobiHolders.h"
#include "book/load/RecordView.h"

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

size_t TextRecordsOf(const MOBIData* part) {
    return part != nullptr && part->rh != nullptr ? part->rh->text_record_count : 0;
}

} // namespace

MOBI_RET FindBookParts(RecordStore& store, BookParts& parts) {
    parts = BookParts();
    const RecordTable& table = store.Records();
    const size_t count = table.Count();
    std::unique_ptr<bool[]> shown(new (std::nothrow) bool[count + 1]());
    if (!shown || !store.KeepWhole(0)) {
        return shown ? MOBI_DATA_CORRUPT : MOBI_MALLOC_FAILED;
    }
    shown[0] = true;
    MobiBook book;
    MOBI_RET loaded = LoadView(store, shown.get(), true, book);
    if (loaded != MOBI_SUCCESS) {
        return loaded;
    }
    parts.First = {0, TextRecordsOf(book.Get())};
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
    if (!store.KeepWhole(boundary) || (kf8 < count && !store.KeepWhole(kf8))) {
        return MOBI_DATA_CORRUPT;
    }
    shown[boundary] = true;
    if (kf8 < count) {
        shown[kf8] = true;
    }
    // Not swapped to the KF8 part, the load leaves it in `next`.
    MobiBook kf7;
    loaded = LoadView(store, shown.get(), false, kf7);
    if (loaded != MOBI_SUCCESS) {
        return loaded;
    }
    if (kf7->kf8_boundary_offset == MOBI_NOTSET || kf7->next == nullptr) {
        return MOBI_SUCCESS;
    }
    parts.Boundary = boundary;
    parts.Kf8 = {kf8, TextRecordsOf(kf7->next)};
    return MOBI_SUCCESS;
}
