// SPDX-License-Identifier: LGPL-3.0-or-later
// Tags of block elements: where the markup's layout separates words that its text runs together,
// and which of them break the line.
#pragma once

#include <cstddef>
#include <cstdint>

// What removing a tag leaves in the text.
enum class TagKind : unsigned char {
    Other,     // nothing: inline elements, comments, unknown names
    Block,     // a line feed, but only between two words that would otherwise touch
    LineBreak, // a line feed
};

namespace BlockTagNames {

// Which opening forms of a block element break the line. Every other form, the closing one
// included, is a plain block tag.
enum Breaks : unsigned char {
    Never,
    Bare,        // `<hr>` only
    BareOrSpace, // `<p>` and `<p class="x">`, not `<p\tclass="x">` nor `<p/>`
    BareOrSlash, // `<br>` and `<br/>`, not `<br />`
    AnyAfter,    // whatever follows the name, even more name bytes: `<h2 id=a>`, `<h3x>`
};

struct Entry {
    const char* Name;
    Breaks LineBreak;
};

// Lower case, grouped by first letter.
constexpr Entry Entries[] = {
    {"address", Never}, {"article", Never},  {"aside", Never},      {"blockquote", Never},
    {"body", Never},    {"br", BareOrSlash}, {"caption", Never},    {"center", Never},
    {"col", Never},     {"colgroup", Never}, {"dd", Never},         {"details", Never},
    {"dialog", Never},  {"dir", Never},      {"div", Never},        {"dl", Never},
    {"dt", Never},      {"fieldset", Never}, {"figcaption", Never}, {"figure", Never},
    {"footer", Never},  {"form", Never},     {"frame", Never},      {"frameset", Never},
    {"h1", AnyAfter},   {"h2", AnyAfter},    {"h3", AnyAfter},      {"h4", AnyAfter},
    {"h5", AnyAfter},   {"h6", Never},       {"head", Never},       {"header", Never},
    {"hgroup", Never},  {"hr", Bare},        {"html", Never},       {"legend", Never},
    {"li", Never},      {"main", Never},     {"menu", Never},       {"nav", Never},
    {"ol", Never},      {"optgroup", Never}, {"option", Never},     {"p", BareOrSpace},
    {"pre", Never},     {"section", Never},  {"summary", Never},    {"table", Never},
    {"tbody", Never},   {"td", Never},       {"tfoot", Never},      {"th", Never},
    {"thead", Never},   {"title", Never},    {"tr", Never},         {"ul", Never}};
constexpr size_t Count = sizeof(Entries) / sizeof(Entries[0]);

constexpr size_t Length(const char* name) {
    size_t length = 0;
    while (name[length] != 0) {
        ++length;
    }
    return length;
}

// A name is compared as two numbers, its first eight bytes and the rest, the first byte lowest.
constexpr size_t WordBytes = sizeof(uint64_t);
constexpr size_t MaxName = 2 * WordBytes;

constexpr uint64_t PackWord(const char* name, size_t from) {
    uint64_t packed = 0;
    for (size_t i = from; i < from + WordBytes && name[i] != 0; ++i) {
        packed |= uint64_t{static_cast<unsigned char>(name[i])} << (8 * (i - from));
    }
    return packed;
}

// The packed names, their line breaks, and for each letter the range of names that start with
// it and the digits that break the line whatever follows them (`h1`...`h5`).
struct Table {
    uint64_t Head[Count] = {};
    uint64_t Tail[Count] = {};
    Breaks LineBreak[Count] = {};
    unsigned char First[27] = {};
    uint16_t AnyAfterDigits[26] = {};
    size_t Longest = 0;
    constexpr Table() {
        size_t name = 0;
        for (size_t letter = 0; letter < 26; ++letter) {
            First[letter] = static_cast<unsigned char>(name);
            while (name < Count && static_cast<size_t>(Entries[name].Name[0] - 'a') == letter) {
                const Entry& entry = Entries[name];
                const size_t length = Length(entry.Name);
                Head[name] = PackWord(entry.Name, 0);
                Tail[name] = length > WordBytes ? PackWord(entry.Name, WordBytes) : 0;
                LineBreak[name] = entry.LineBreak;
                if (entry.LineBreak == AnyAfter) {
                    AnyAfterDigits[letter] |= uint16_t(1u << (entry.Name[1] - '0'));
                }
                Longest = length > Longest ? length : Longest;
                ++name;
            }
        }
        First[26] = static_cast<unsigned char>(name);
    }
    // Whether some name starts with the letter 'a' + `letter`.
    constexpr bool Starts(size_t letter) const { return First[letter] != First[letter + 1]; }
};
inline constexpr Table Names;
static_assert(Names.First[26] == Count, "the names are grouped by first letter");
static_assert(Names.Longest <= MaxName, "a name fits in two packed numbers");

// The lookup reads the byte after an AnyAfter name's letter as its digit.
constexpr bool AnyAfterNamesAreLetterAndDigit() {
    for (const Entry& entry : Entries) {
        if (entry.LineBreak == AnyAfter &&
            (Length(entry.Name) != 2 || entry.Name[1] < '0' || entry.Name[1] > '9')) {
            return false;
        }
    }
    return true;
}
static_assert(AnyAfterNamesAreLetterAndDigit(), "an AnyAfter name is a letter and a digit");

// ASCII letters and digits, the bytes of a name; and the bytes that may follow one.
struct ByteClasses {
    bool Name[256] = {};
    bool NameEnd[256] = {};
    constexpr ByteClasses() {
        for (int c = 0; c < 256; ++c) {
            Name[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            NameEnd[c] = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '/';
        }
    }
};
inline constexpr ByteClasses Bytes;

// The kind of a block element's tag, given whether it closes and what follows its name.
constexpr TagKind KindOf(Breaks lineBreak, bool closing, const char* after, const char* end) {
    if (closing) {
        return TagKind::Block;
    }
    switch (lineBreak) {
    case Never:
        return TagKind::Block;
    case Bare:
        return after == end ? TagKind::LineBreak : TagKind::Block;
    case BareOrSpace:
        return after == end || *after == ' ' ? TagKind::LineBreak : TagKind::Block;
    case BareOrSlash:
        return after == end || (end - after == 1 && *after == '/') ? TagKind::LineBreak
                                                                   : TagKind::Block;
    case AnyAfter:
        return TagKind::LineBreak;
    }
    return TagKind::Block;
}

} // namespace BlockTagNames

// What a tag's content (the bytes between its '<' and '>') leaves in the text. A block element
// is named in opening, closing or empty form and in any ASCII letter case: `li`, `/TD`,
// `br class="x"/`, `div id=a`, `p\tclass="x"`. The name follows at most one '/', is an ASCII
// letter then letters and digits, and ends the content or is followed by a space, tab, CR, LF,
// form feed or '/'. Comments, inline elements (`span`, `/b`, `a href=y`) and names that only
// begin like a block one (`divx`) are Other. Some opening forms break the line (see Breaks).
inline TagKind BlockTagKind(const char* content, size_t length) {
    using namespace BlockTagNames;
    const char* at = content;
    const char* const end = content + length;
    const bool closing = at != end && *at == '/';
    if (closing) {
        ++at;
    }
    if (at == end) {
        return TagKind::Other;
    }
    // Setting bit 0x20 folds exactly the ASCII letters onto 'a'...'z'.
    const unsigned letter = static_cast<unsigned char>(*at | 0x20) - unsigned{'a'};
    if (letter >= 26 || !Names.Starts(letter)) {
        return TagKind::Other;
    }
    if (!closing && Names.AnyAfterDigits[letter] != 0 && end - at >= 2) {
        const unsigned digit = static_cast<unsigned char>(at[1]) - unsigned{'0'};
        if (digit < 10 && ((Names.AnyAfterDigits[letter] >> digit) & 1) != 0) {
            return TagKind::LineBreak;
        }
    }
    uint64_t head = 0;
    uint64_t tail = 0;
    for (size_t i = 0; at != end && Bytes.Name[static_cast<unsigned char>(*at)]; ++at, ++i) {
        if (i == Names.Longest) {
            return TagKind::Other;
        }
        const uint64_t folded = static_cast<unsigned char>(*at | 0x20);
        if (i < WordBytes) {
            head |= folded << (8 * i);
        } else {
            tail |= folded << (8 * (i - WordBytes));
        }
    }
    if (at != end && !Bytes.NameEnd[static_cast<unsigned char>(*at)]) {
        return TagKind::Other;
    }
    for (size_t i = Names.First[letter]; i < Names.First[letter + 1]; ++i) {
        if (Names.Head[i] == head && Names.Tail[i] == tail) {
            return KindOf(Names.LineBreak[i], closing, at, end);
        }
    }
    return TagKind::Other;
}
