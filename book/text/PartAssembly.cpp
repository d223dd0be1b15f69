// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/PartAssembly.h"

#include "platform/AllocationFailures.h"

#include <new>

bool PartAssembly::Init(size_t mostFragments) {
    // The skeleton, and each fragment with the piece it may split off.
    const size_t nodes = 2 * mostFragments + 1;
    Nodes.reset(NewArray<Node>(nodes));
    Ordered.reset(NewArray<Piece>(nodes));
    return Nodes && Ordered;
}

size_t PartAssembly::NewNode(uint64_t offset, uint64_t from, uint64_t length, size_t next) {
    Nodes[Used] = {offset, from, length, next};
    return Used++;
}

void PartAssembly::Assemble(const PartIndex& index, const PartIndex::Part& part) {
    Used = 0;
    const size_t head = NewNode(0, 0, part.SkeletonLength, None);
    size_t current = head;
    uint64_t length = part.SkeletonLength;
    uint64_t from = part.SkeletonLength;
    for (size_t f = 0; f < part.Fragments; ++f) {
        const PartIndex::Fragment& fragment = index.FragmentAt(part.FirstFragment + f);
        uint64_t offset = fragment.Insert - part.Before;
        if (offset > length) {
            offset = length;
        }
        length += fragment.Length;
        if (current != None) {
            current = Insert(current, offset, from, fragment.Length);
        }
        from += fragment.Length;
    }
    Pieces = 0;
    for (size_t node = head; node != None; node = Nodes[node].Next) {
        Ordered[Pieces++] = {Nodes[node].From, Nodes[node].Length};
    }
    Total = length;
}

size_t PartAssembly::Insert(size_t current, uint64_t offset, uint64_t from, uint64_t length) {
    size_t previous = None;
    size_t at = current;
    while (at != None &&
           !(Nodes[at].Offset <= offset && Nodes[at].Offset + Nodes[at].Length >= offset)) {
        previous = at;
        at = Nodes[at].Next;
    }
    if (at == None) {
        return None;
    }
    Node& found = Nodes[at];
    size_t added;
    if (found.Offset == offset) {
        if (previous == None) {
            // Before the entry the search started from: libmobi swaps the two entries' contents
            // and returns without moving the offsets of those after.
            added = NewNode(found.Offset, found.From, found.Length, found.Next);
            Nodes[at] = {offset, from, length, added};
            return at;
        }
        added = NewNode(offset, from, length, at);
        Nodes[previous].Next = added;
    } else if (found.Offset + found.Length == offset) {
        added = NewNode(offset, from, length, found.Next);
        Nodes[at].Next = added;
    } else {
        // Inside the entry: its rest becomes an entry of its own after the fragment.
        const uint64_t kept = offset - Nodes[at].Offset;
        const size_t rest =
            NewNode(offset, Nodes[at].From + kept, Nodes[at].Length - kept, Nodes[at].Next);
        added = NewNode(offset, from, length, rest);
        Nodes[at].Length = kept;
        Nodes[at].Next = added;
    }
    for (size_t after = Nodes[added].Next; after != None; after = Nodes[after].Next) {
        Nodes[after].Offset += Nodes[added].Length;
    }
    return added;
}
