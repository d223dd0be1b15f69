// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/PartIndex.h"

#include "book/load/MobiHolders.h"
#include "book/text/LibmobiInternals.h"
#include "platform/AllocationFailures.h"

#include <cstdlib>
#include <new>

namespace {

using MobiIndex = UniqueAny<MOBIIndx*, mobi_free_indx>;

// The tags libmobi reads from the entries: {tag, value index}.
const unsigned SkeletonFragments[] = {1, 0};
const unsigned SkeletonPosition[] = {6, 0};
const unsigned SkeletonLength[] = {6, 1};
const unsigned FragmentFile[] = {3, 0};
const unsigned FragmentLength[] = {6, 1};

// libmobi's parse of the index at `record`; empty when it fails.
MobiIndex ParseIndex(const MOBIData* book, size_t record) {
    MobiIndex index(mobi_init_indx());
    // A failed parse frees the index itself.
    if (index && mobi_parse_index(book, index.Get(), record) != MOBI_SUCCESS) {
        index.Detach();
    }
    return index;
}

bool TagValue(const MOBIIndexEntry& entry, const unsigned tag[], uint32_t* value) {
    return mobi_get_indxentry_tagvalue(value, &entry, tag) == MOBI_SUCCESS;
}

} // namespace

PartIndex::Result PartIndex::Build(const MOBIData* book) {
    Parts = 0;
    Flow = false;
    Longest = 0;
    Most = 0;
    // The first flow: the FDST's first section when the book has more than one, else the text.
    uint64_t flowStart = 0;
    uint64_t flowLength = ToTheEnd;
    if (mobi_exists_fdst(book) && book->mh->fdst_section_count != nullptr &&
        *book->mh->fdst_section_count > 1) {
        MobiMarkup sections(mobi_init_rawml(book));
        if (!sections) {
            return Result::OutOfMemory;
        }
        if (mobi_parse_fdst(book, sections.Get()) != MOBI_SUCCESS) {
            return Result::WholeBook;
        }
        const MOBIFdst& fdst = *sections->fdst;
        flowStart = fdst.fdst_section_starts[0];
        // libmobi's section length: the 32-bit difference.
        flowLength = static_cast<uint32_t>(fdst.fdst_section_ends[0] - fdst.fdst_section_starts[0]);
    }
    const size_t offset = mobi_get_kf8offset(book);
    MobiIndex fragments;
    if (mobi_exists_frag_indx(book)) {
        fragments = ParseIndex(book, *book->mh->fragment_index + offset);
        if (!fragments) {
            return Result::WholeBook;
        }
    }
    if (!mobi_exists_skel_indx(book) || !fragments) {
        // One part: the whole first flow, read as it comes.
        Listed.reset(NewArray<Part>(1));
        if (!Listed) {
            return Result::OutOfMemory;
        }
        Listed[Parts++] = {flowStart, flowLength, 0, 0, 0, 0};
        Flow = true;
        return Result::Ready;
    }
    const MobiIndex skeleton = ParseIndex(book, *book->mh->skeleton_index + offset);
    if (!skeleton) {
        return Result::WholeBook;
    }
    // No part lies past the longest text the header allows, libmobi's buffer for it: one that
    // says so ends the parts there, and the window is never made longer.
    const size_t longestText = mobi_get_text_maxsize(book);
    if (longestText != MOBI_NOTSET) {
        const uint64_t room = longestText > flowStart ? longestText - flowStart : 0;
        flowLength = flowLength < room ? flowLength : room;
    }
    return List(*skeleton.Get(), *fragments.Get(), flowStart, flowLength);
}

PartIndex::Result PartIndex::List(const MOBIIndx& skeleton, const MOBIIndx& fragments,
                                  uint64_t flowStart, uint64_t flowLength) {
    Parts = 0;
    Flow = false;
    Longest = 0;
    Most = 0;
    Listed.reset(NewArray<Part>(skeleton.entries_count + 1));
    FragmentList.reset(NewArray<Fragment>(fragments.entries_count + 1));
    if (!Listed || !FragmentList) {
        return Result::OutOfMemory;
    }
    // libmobi's checks, in its order; the first that fails ends the parts listed.
    size_t next = 0;
    uint64_t before = 0;
    size_t fragmentsLeft = fragments.total_entries_count;
    for (size_t i = 0; i < skeleton.entries_count; ++i) {
        const MOBIIndexEntry& entry = skeleton.entries[i];
        uint32_t count = 0;
        uint32_t position = 0;
        uint32_t length = 0;
        if (!TagValue(entry, SkeletonFragments, &count) || count > fragmentsLeft ||
            !TagValue(entry, SkeletonPosition, &position) ||
            !TagValue(entry, SkeletonLength, &length) || uint64_t{position} + length > UINT32_MAX ||
            (flowLength != ToTheEnd && uint64_t{position} + length > flowLength)) {
            return Result::Ready;
        }
        fragmentsLeft -= count;
        Part part = {flowStart + position, length, length, next, count, before};
        uint64_t rebuilt = length;
        for (uint32_t f = 0; f < count; ++f) {
            const MOBIIndexEntry& placed = fragments.entries[next];
            uint32_t file = 0;
            uint32_t fragmentLength = 0;
            const uint32_t insert =
                placed.label != nullptr
                    ? static_cast<uint32_t>(std::strtoul(placed.label, nullptr, 10))
                    : 0;
            if (placed.label == nullptr || insert < before ||
                !TagValue(placed, FragmentFile, &file) || file != i ||
                !TagValue(placed, FragmentLength, &fragmentLength) ||
                rebuilt + fragmentLength > UINT32_MAX ||
                (flowLength != ToTheEnd && position + part.Length + fragmentLength > flowLength)) {
                return Result::Ready;
            }
            FragmentList[next++] = {insert, fragmentLength};
            part.Length += fragmentLength;
            rebuilt += fragmentLength;
        }
        // The window reads the text forward only.
        if (Parts > 0 && part.Start < Listed[Parts - 1].Start) {
            return Result::WholeBook;
        }
        Add(part);
        before += rebuilt;
    }
    return Result::Ready;
}

void PartIndex::Add(const Part& part) {
    Listed[Parts++] = part;
    Longest = part.Length > Longest ? part.Length : Longest;
    Most = part.Fragments > Most ? part.Fragments : Most;
}
