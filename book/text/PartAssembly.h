// SPDX-License-Identifier: LGPL-3.0-or-later
// One HTML part rebuilt from its skeleton and fragments as libmobi rebuilds it, without
// copying a byte: the order of the stretches of its source that make it.
#pragma once

#include "book/text/PartIndex.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// libmobi (mobi_reconstruct_parts) lists the skeleton, then inserts each fragment in turn at
// the position its label gives, less what the parts before rebuilt to, and no further than the
// part's end so far; the search for the place starts at the fragment inserted last, so a
// fragment placed before it finds none, and neither it nor any after it is placed, though the
// part keeps their length (those bytes are zeros here). This replays the list, quirks and all.
class PartAssembly {
public:
    // A stretch of the part's source: the skeleton, then its fragments, back to back.
    struct Piece {
        uint64_t From; // in the source
        uint64_t Length;
    };

    PartAssembly() = default;
    PartAssembly(const PartAssembly&) = delete;
    PartAssembly& operator=(const PartAssembly&) = delete;

    // Room for parts of up to `mostFragments` fragments; false when memory runs out.
    bool Init(size_t mostFragments);
    // Rebuilds `part` of `index`.
    void Assemble(const PartIndex& index, const PartIndex::Part& part);

    // The pieces in the part's order, and its length: theirs, and the zeros after them.
    size_t Count() const { return Pieces; }
    const Piece& operator[](size_t piece) const { return Ordered[piece]; }
    uint64_t Length() const { return Total; }

private:
    static constexpr size_t None = ~size_t{0};
    // libmobi's list entry: where it sits in the part (its raw offset), its bytes, the next.
    struct Node {
        uint64_t Offset;
        uint64_t From;
        uint64_t Length;
        size_t Next;
    };
    // mobi_list_insert: places a fragment at `offset`, searching from `current`; returns the
    // entry to search from next, or None when no place was found.
    size_t Insert(size_t current, uint64_t offset, uint64_t from, uint64_t length);
    size_t NewNode(uint64_t offset, uint64_t from, uint64_t length, size_t next);

    std::unique_ptr<Node[]> Nodes;
    size_t Used = 0;
    std::unique_ptr<Piece[]> Ordered;
    size_t Pieces = 0;
    uint64_t Total = 0;
};
