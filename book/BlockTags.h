// SPDX-License-Identifier: LGPL-3.0-or-later
// Tags of block elements: where the markup's layout separates words that its text runs together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace BlockTagNames {

// Lower case, grouped by first letter. Names of at most 8 bytes are compared packed into one
// number, the first byte lowest; the two longer ones byte by byte.
constexpr const char* Short[] = {
    "address",  "article", "aside",   "body",    "br",      "caption",  "center", "col",
    "colgroup", "dd",      "details", "dialog",  "dir",     "div",      "dl",     "dt",
    "fieldset", "figure",  "footer",  "form",    "frame",   "frameset", "h1",     "h2",
    "h3",       "h4",      "h5",      "h6",      "head",    "header",   "hgroup", "hr",
    "html",     "legend",  "li",      "main",    "menu",    "nav",      "ol",     "optgroup",
    "option",   "p",       "pre",     "section", "summary", "table",    "tbody",  "td",
    "tfoot",    "th",      "thead",   "title",   "tr",      "ul"};
constexpr const char* Long[] = {"blockquote", "figcaption"};
constexpr size_t ShortCount = sizeof(Short) / sizeof(Short[0]);
constexpr size_t MaxPacked = sizeof(uint64_t);
constexpr size_t LongLength = 10;

constexpr uint64_t Pack(const char* name) {
    uint64_t packed = 0;
    for (size_t i = 0; name[i] != 0; ++i) {
        packed |= uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    }
    return packed;
}

// The packed names, and for each letter the range of them that starts with it.
struct Table {
    uint64_t Packed[ShortCount] = {};
    unsigned char First[27] = {};
    constexpr Table() {
        size_t name = 0;
        for (size_t letter = 0; letter < 26; ++letter) {
            First[letter] = static_cast<unsigned char>(name);
            while (name < ShortCount && static_cast<size_t>(Short[name][0] - 'a') == letter) {
                Packed[name] = Pack(Short[name]);
                ++name;
            }
        }
        First[26] = static_cast<unsigned char>(name);
    }
    // Whether some name starts with the letter 'a' + `letter`.
    constexpr bool Starts(size_t letter) const { return First[letter] != First[letter + 1]; }
};
inline constexpr Table Names;
static_assert(Names.First[26] == ShortCount, "the short names are grouped by first letter");
constexpr bool EveryLongNameLetterStartsShortNames() {
    for (const char* name : Long) {
        if (!Names.Starts(static_cast<size_t>(name[0] - 'a'))) {
            return false;
        }
    }
    return true;
}
// A letter that starts no short name is refused before the long names are looked at.
static_assert(EveryLongNameLetterStartsShortNames(), "a long name's letter starts a short one");

// ASCII letters and digits, the bytes of a name.
struct NameBytes {
    bool Is[256] = {};
    constexpr NameBytes() {
        for (int c = 0; c < 256; ++c) {
            Is[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        }
    }
};
inline constexpr NameBytes IsNameByte;

} // namespace BlockTagNames

// True when a tag's content (the bytes between its '<' and '>') names a block element such as
// a paragraph, a list item, a table cell or a division, in opening, closing or empty form and
// in any ASCII letter case: `li`, `/TD`, `br class="x"/`, `div id=a`, `p\tclass="x"`. The name
// follows at most one '/', is an ASCII letter then letters and digits, and ends the content or
// is followed by a space, tab, CR, LF, form feed or '/'. Comments, inline elements (`span`,
// `/b`, `a href=y`) and names that only begin like a block one (`divx`) are not.
inline bool IsBlockTag(const char* content, size_t length) {
    using namespace BlockTagNames;
    const char* at = content;
    const char* const end = content + length;
    if (at != end && *at == '/') {
        ++at;
    }
    if (at == end) {
        return false;
    }
    // Setting bit 0x20 folds exactly the ASCII letters onto 'a'...'z'.
    const unsigned letter = static_cast<unsigned char>(*at | 0x20) - unsigned{'a'};
    if (letter >= 26 || !Names.Starts(letter)) {
        return false;
    }
    const char* const name = at;
    uint64_t packed = 0;
    for (size_t i = 0; at != end && IsNameByte.Is[static_cast<unsigned char>(*at)]; ++at, ++i) {
        if (i == LongLength) {
            return false;
        }
        if (i < MaxPacked) {
            packed |= uint64_t{static_cast<unsigned char>(*at | 0x20)} << (8 * i);
        }
    }
    if (at != end && *at != ' ' && *at != '\t' && *at != '\r' && *at != '\n' && *at != '\f' &&
        *at != '/') {
        return false;
    }
    const size_t nameLength = static_cast<size_t>(at - name);
    if (nameLength <= MaxPacked) {
        for (size_t i = Names.First[letter]; i < Names.First[letter + 1]; ++i) {
            if (Names.Packed[i] == packed) {
                return true;
            }
        }
        return false;
    }
    if (nameLength != LongLength) {
        return false;
    }
    for (const char* longName : Long) {
        size_t i = 0;
        while (i < LongLength && (name[i] | 0x20) == longName[i]) {
            ++i;
        }
        if (i == LongLength) {
            return true;
        }
    }
    return false;
}
