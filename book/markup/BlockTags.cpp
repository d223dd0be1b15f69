// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/BlockTags.h"

#include "book/markup/PackedBytes.h"

#include <cstdint>
#include <cstring>

namespace {

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

// Lower case.
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
constexpr size_t WordBytes = MaxPackedLength;
constexpr size_t MaxName = 2 * WordBytes;

// Names are found by hashing their two packed numbers into a table of 2^SlotBits slots, with a
// multiplier chosen when the table is built so that no two names share a slot: one lookup for
// any name, where markup_bench's BlockTagsOnly and DenseBlockTags name one every few bytes.
constexpr unsigned SlotBits = 9;

constexpr size_t SlotOf(uint64_t head, uint64_t tail, uint64_t multiplier) {
    return static_cast<size_t>(((head ^ (tail << 1)) * multiplier) >> (64 - SlotBits));
}

// The packed names, in the order of Entries, with for each slot the index + 1 of its name or 0;
// for each letter whether a name starts with it, and the digits after it that break the line
// whatever follows (`h1`...`h5`), and its name of one letter.
struct Table {
    uint64_t Head[Count] = {};
    uint64_t Tail[Count] = {};
    unsigned char Slots[size_t{1} << SlotBits] = {};
    uint64_t Multiplier = 0x9E3779B97F4A7C15;
    uint32_t Letters = 0;
    uint16_t AnyAfterDigits[26] = {};
    unsigned char OneLetter[26] = {};
    size_t Longest = 0;
    constexpr Table() {
        for (size_t name = 0; name < Count; ++name) {
            const Entry& entry = Entries[name];
            const size_t letter = static_cast<size_t>(entry.Name[0] - 'a');
            const size_t length = Length(entry.Name);
            Head[name] = PackBytes(entry.Name, length < WordBytes ? length : WordBytes);
            Tail[name] =
                length > WordBytes ? PackBytes(entry.Name + WordBytes, length - WordBytes) : 0;
            Letters |= uint32_t{1} << letter;
            if (entry.LineBreak == AnyAfter) {
                AnyAfterDigits[letter] |= static_cast<uint16_t>(1u << (entry.Name[1] - '0'));
            }
            if (length == 1) {
                OneLetter[letter] = static_cast<unsigned char>(name + 1);
            }
            Longest = length > Longest ? length : Longest;
        }
        while (!Place()) {
            Multiplier = (Multiplier * 6364136223846793005u + 1442695040888963407u) | 1;
        }
    }
    // Fills the slots with the current multiplier; false on a collision.
    constexpr bool Place() {
        for (unsigned char& slot : Slots) {
            slot = 0;
        }
        for (size_t name = 0; name < Count; ++name) {
            unsigned char& slot = Slots[SlotOf(Head[name], Tail[name], Multiplier)];
            if (slot != 0) {
                return false;
            }
            slot = static_cast<unsigned char>(name + 1);
        }
        return true;
    }
    // Whether some name starts with the letter 'a' + `letter`, which is below 26.
    constexpr bool Starts(size_t letter) const { return ((Letters >> letter) & 1) != 0; }
};
constexpr Table Names;
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
constexpr ByteClasses Bytes;

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

// A name of letters and digits, `length` bytes at `name`, packed into two numbers, its letters
// folded to lower case (setting bit 0x20 leaves digits as they are). Its memory runs on to
// `readable`: with 16 bytes there, on little-endian machines, two loads (markup_bench's
// BlockTagsOnly, `</figcaption><div>`, and DenseBlockTags, `<td>a</td>`).
void PackName(const char* name, size_t length, const char* readable, uint64_t* head,
              uint64_t* tail) {
    constexpr uint64_t Fold = 0x2020202020202020;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (static_cast<size_t>(readable - name) >= MaxName) {
        uint64_t words[2];
        std::memcpy(words, name, sizeof(words));
        *head = (words[0] | Fold) & LowBytes(length);
        *tail = length > WordBytes ? (words[1] | Fold) & LowBytes(length - WordBytes) : 0;
        return;
    }
#endif
    const size_t headLength = length < WordBytes ? length : WordBytes;
    *head = PackBytes(name, headLength) | (Fold & LowBytes(headLength));
    *tail = length > WordBytes ? PackBytes(name + WordBytes, length - WordBytes) |
                                     (Fold & LowBytes(length - WordBytes))
                               : 0;
}

} // namespace

TagKind BlockTagKind(const char* content, size_t length, const char* readable) {
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
    // Most inline tags (`i`, `a`, `em`) are refused here, by their first letter: markup_bench's
    // DenseTags (`<i>a</i>`) and SyntheticBook (`<i>` in every paragraph).
    if (letter >= 26 || !Names.Starts(letter)) {
        return TagKind::Other;
    }
    // A name of one letter, as `p` and `/p` are, needs no packing: BookHtml (calibre's
    // `<p class=...>`) and SyntheticBook.
    const char* const second = at + 1;
    if (second == end || Bytes.NameEnd[static_cast<unsigned char>(*second)]) {
        const unsigned entry = Names.OneLetter[letter];
        return entry == 0 ? TagKind::Other
                          : KindOf(Entries[entry - 1].LineBreak, closing, second, end);
    }
    // Not a fast path: `h1`...`h5` break the line whatever follows, more name bytes included.
    if (!closing && Names.AnyAfterDigits[letter] != 0) {
        const unsigned digit = static_cast<unsigned char>(*second) - unsigned{'0'};
        if (digit < 10 && ((Names.AnyAfterDigits[letter] >> digit) & 1) != 0) {
            return TagKind::LineBreak;
        }
    }
    const char* const name = at;
    while (at != end && Bytes.Name[static_cast<unsigned char>(*at)]) {
        if (static_cast<size_t>(at - name) == Names.Longest) {
            return TagKind::Other;
        }
        ++at;
    }
    if (at != end && !Bytes.NameEnd[static_cast<unsigned char>(*at)]) {
        return TagKind::Other;
    }
    uint64_t head;
    uint64_t tail;
    PackName(name, static_cast<size_t>(at - name), readable != nullptr ? readable : end, &head,
             &tail);
    const unsigned slot = Names.Slots[SlotOf(head, tail, Names.Multiplier)];
    if (slot == 0 || Names.Head[slot - 1] != head || Names.Tail[slot - 1] != tail) {
        return TagKind::Other;
    }
    return KindOf(Entries[slot - 1].LineBreak, closing, at, end);
}
