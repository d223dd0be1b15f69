// SPDX-License-Identifier: LGPL-3.0-or-later
// Tags of block elements: where the markup's layout separates words that its text runs together,
// and which of them break the line.
#pragma once

#include <cstddef>

// What removing a tag leaves in the text.
enum class TagKind : unsigned char {
    Other,     // nothing: inline elements, comments, unknown names
    Block,     // a line feed, but only between two words that would otherwise touch
    LineBreak, // a line feed
};

// What a tag's content (the bytes between its '<' and '>') leaves in the text. A block element
// is named in opening, closing or empty form and in any ASCII letter case: `li`, `/TD`,
// `br class="x"/`, `div id=a`, `p\tclass="x"`. The name follows at most one '/', is an ASCII
// letter then letters and digits, and ends the content or is followed by a space, tab, CR, LF,
// form feed or '/'. Comments, inline elements (`span`, `/b`, `a href=y`) and names that only
// begin like a block one (`divx`) are Other. Some opening forms break the line (BlockTags.cpp).
// `readable`, when given, is the end of the memory that holds the content: bytes up to it may be
// read, though they are not the tag's.
TagKind BlockTagKind(const char* content, size_t length, const char* readable = nullptr);
