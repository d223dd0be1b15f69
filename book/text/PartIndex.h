// SPDX-License-Identifier: LGPL-3.0-or-later
// Where each HTML part of a book's markup lies in its decoded text, and what rebuilds it: the
// skeleton and fragment indexes and the FDST record, as libmobi parses them.
#pragma once

#include <mobi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// In libmobi's rebuilding (mobi_reconstruct_parts), part i is its skeleton followed by its
// fragments: one contiguous stretch of the text's first flow, which starts where the first FDST
// section does (or at the text's start). The fragments are inserted into the skeleton at the
// positions their labels give; PartAssembly replays that.
class PartIndex {
public:
    // The text has no part index: its first flow is one part.
    static constexpr uint64_t ToTheEnd = ~uint64_t{0};

    struct Part {
        uint64_t Start;          // in the decoded text
        uint64_t Length;         // the skeleton and its fragments; ToTheEnd for a whole flow
        uint32_t SkeletonLength; // the skeleton's bytes, which come first
        size_t FirstFragment;
        size_t Fragments;
        // What the parts before it rebuilt to, which its fragments' positions count from.
        uint64_t Before;
    };
    struct Fragment {
        uint32_t Insert; // where its label says it goes
        uint32_t Length;
    };

    PartIndex() = default;
    PartIndex(const PartIndex&) = delete;
    PartIndex& operator=(const PartIndex&) = delete;
    // Built once, then handed to its reader.
    PartIndex(PartIndex&&) = default;

    enum class Result {
        Ready,
        // The indexes do not parse as libmobi's rebuilding needs, or the parts do not come in
        // the order of the text: the whole book is to be rebuilt as libmobi does it.
        WholeBook,
        OutOfMemory,
    };
    // Parses the indexes of `book` (loaded with them; its text part current) and lists its
    // parts, up to the first that libmobi's rebuilding would fail on.
    Result Build(const MOBIData* book);
    // Lists the parts from the parsed indexes, as libmobi walks them; the first flow starts at
    // `flowStart` and holds `flowLength` bytes (ToTheEnd: as many as the text).
    Result List(const MOBIIndx& skeleton, const MOBIIndx& fragments, uint64_t flowStart,
                uint64_t flowLength);

    size_t Count() const { return Parts; }
    const Part& operator[](size_t part) const { return Listed[part]; }
    const Fragment& FragmentAt(size_t index) const { return FragmentList[index]; }
    // True when the book has no part index: its one part is its first flow.
    bool OneFlow() const { return Flow; }
    // The longest part listed (not counting a whole flow), and the most fragments one part has.
    uint64_t LongestPart() const { return Longest; }
    size_t MostFragments() const { return Most; }

private:
    void Add(const Part& part);

    std::unique_ptr<Part[]> Listed;
    size_t Parts = 0;
    std::unique_ptr<Fragment[]> FragmentList;
    bool Flow = false;
    uint64_t Longest = 0;
    size_t Most = 0;
};
