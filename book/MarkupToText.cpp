#include "book/MarkupToText.h"

#include "book/ByteWords.h"
#include "book/ForwardSearch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Longest tag content (between '<' and '>') and entity name (between '&' and ';') that still
// make a tag or an entity; anything longer is text.
constexpr size_t MaxTagContent = 255;
constexpr size_t MaxEntityName = 9;
// Line feeds allowed in a row.
constexpr int MaxLineBreakRun = 2;

// The bytes of a string of at most 8 bytes packed into one number, the first byte lowest, so
// that comparing two short strings of the same length is comparing two numbers.
constexpr size_t MaxPackedLength = ByteWords::Size;

constexpr uint64_t PackBytes(const char* text, size_t length) {
    uint64_t packed = 0;
    for (size_t i = 0; i < length; ++i) {
        packed |= uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    }
    return packed;
}

// PackBytes for text that has at least 8 readable bytes: on little-endian machines one load.
uint64_t PackBytesWithin(const char* text, size_t length, const char* end) {
    if (ByteWords::IsLittleEndian() && static_cast<size_t>(end - text) >= ByteWords::Size) {
        const uint64_t word = ByteWords::Load(text);
        return length >= ByteWords::Size ? word : word & ((uint64_t{1} << (8 * length)) - 1);
    }
    return PackBytes(text, length);
}

struct Name {
    const char* Text;
    size_t Length;
    uint64_t Packed;
};

template <size_t N> constexpr Name MakeName(const char (&text)[N]) {
    static_assert(N - 1 <= MaxPackedLength, "names are packed into 8 bytes");
    return {text, N - 1, PackBytes(text, N - 1)};
}

// Whole tag contents that break the line, compared ignoring ASCII letter case.
constexpr Name LineBreakTags[] = {MakeName("p"), MakeName("br"), MakeName("hr"), MakeName("br/")};

// An entity whose name is one letter followed by one of these stands for that bare letter.
constexpr Name AccentSuffixes[] = {MakeName("acute"), MakeName("uml"),   MakeName("circ"),
                                   MakeName("grave"), MakeName("slash"), MakeName("tilde"),
                                   MakeName("cedil")};

// Named entities and, in the same order, the byte each stands for.
constexpr Name EntityNames[] = {MakeName("amp"), MakeName("lt"), MakeName("gt"), MakeName("nbsp"),
                                MakeName("quot")};
constexpr char EntityBytes[] = "&<> \"";
static_assert(sizeof(EntityBytes) - 1 == sizeof(EntityNames) / sizeof(EntityNames[0]),
              "one replacement byte per entity name");

// The body marker, in lower case; it is matched ignoring ASCII letter case.
constexpr char BodyMarker[] = "<body";
constexpr size_t BodyMarkerLength = sizeof(BodyMarker) - 1;

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// `name` must be lower case.
bool EqualsIgnoringCase(const char* text, size_t length, const char* name, size_t nameLength) {
    if (length != nameLength) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (FoldAscii(text[i]) != name[i]) {
            return false;
        }
    }
    return true;
}

// Tells the bytes that end a run of plain text: '<', '&', CR and LF.
struct SpecialBytes {
    bool Is[256] = {};
    constexpr SpecialBytes() {
        Is[static_cast<unsigned char>('<')] = true;
        Is[static_cast<unsigned char>('&')] = true;
        Is[static_cast<unsigned char>('\r')] = true;
        Is[static_cast<unsigned char>('\n')] = true;
    }
    bool operator()(char c) const { return Is[static_cast<unsigned char>(c)]; }
};
constexpr SpecialBytes IsSpecial;

bool IsBodyMarkerAt(const char* at, const char* end) {
    return static_cast<size_t>(end - at) >= BodyMarkerLength && at[0] == '<' &&
           EqualsIgnoringCase(at + 1, BodyMarkerLength - 1, BodyMarker + 1, BodyMarkerLength - 1);
}

// The first body marker that lies wholly in [begin, end), or null.
const char* FindBodyMarker(const char* begin, const char* end) {
    constexpr size_t Word = ByteWords::Size;
    const char* at = begin;
    // Eight starting positions at a time: only a '<' followed by a 'b' or 'B' (equal once bit
    // 0x20 is set) is looked at closely, so that a part full of '<' costs no more than text.
    while (static_cast<size_t>(end - at) > Word) {
        const uint64_t opens = ByteWords::Zeros(ByteWords::Load(at) ^ ByteWords::Every('<'));
        const uint64_t thenB = ByteWords::Zeros((ByteWords::Load(at + 1) | ByteWords::Every(0x20)) ^
                                                ByteWords::Every('b'));
        if ((opens & thenB) != 0) {
            for (size_t i = 0; i < Word; ++i) {
                if (IsBodyMarkerAt(at + i, end)) {
                    return at + i;
                }
            }
        }
        at += Word;
    }
    for (; at < end; ++at) {
        if (IsBodyMarkerAt(at, end)) {
            return at;
        }
    }
    return nullptr;
}

bool IsLineBreakTag(const char* content, size_t length) {
    // Most tags are told apart by their first byte: every line-break tag starts with p, b or h.
    const char first = length > 0 ? FoldAscii(content[0]) : 0;
    if (first != 'p' && first != 'b' && first != 'h') {
        return false;
    }
    if (length >= 2) {
        const char second = content[1];
        if (first == 'h' && second >= '1' && second <= '5') {
            return true;
        }
        if (first == 'p' && second == ' ') {
            return true;
        }
    }
    for (const Name& tag : LineBreakTags) {
        if (EqualsIgnoringCase(content, length, tag.Text, tag.Length)) {
            return true;
        }
    }
    return false;
}

template <size_t N> constexpr size_t ShortestName(const Name (&table)[N]) {
    size_t shortest = table[0].Length;
    for (const Name& name : table) {
        shortest = name.Length < shortest ? name.Length : shortest;
    }
    return shortest;
}

template <size_t N> constexpr size_t LongestName(const Name (&table)[N]) {
    size_t longest = 0;
    for (const Name& name : table) {
        longest = name.Length > longest ? name.Length : longest;
    }
    return longest;
}

// The byte an entity name stands for; false when it stands for nothing. An entity name holds no
// zero byte, so equal packed numbers mean equal names, lengths included.
bool DecodeEntity(const char* name, size_t length, const char* end, char* decoded) {
    if (length > ShortestName(AccentSuffixes) && length <= LongestName(AccentSuffixes) + 1) {
        const uint64_t suffix = PackBytesWithin(name + 1, length - 1, end);
        for (const Name& accent : AccentSuffixes) {
            if (accent.Packed == suffix) {
                *decoded = name[0];
                return true;
            }
        }
    }
    if (length >= ShortestName(EntityNames) && length <= LongestName(EntityNames)) {
        const uint64_t whole = PackBytesWithin(name, length, end);
        for (size_t i = 0; i < sizeof(EntityNames) / sizeof(EntityNames[0]); ++i) {
            if (EntityNames[i].Packed == whole) {
                *decoded = EntityBytes[i];
                return true;
            }
        }
    }
    return false;
}

// Rewrites the markup in [begin, end) as UTF-8 text from `begin` on; returns the text's end.
char* CompactText(char* begin, char* end) {
    const char* read = begin;
    char* write = begin;
    int lineBreakRun = 0;

    // A search for the body marker, a '>' or a ';' stops at the first zero byte.
    const char* firstZero = static_cast<const char*>(std::memchr(begin, 0, end - begin));
    if (const char* body = FindBodyMarker(begin, firstZero != nullptr ? firstZero : end)) {
        read = body;
    }

    ForwardSearch zeros(0, end);
    ForwardSearch tagEnds('>', end);
    ForwardSearch entityEnds(';', end);
    const auto lineBreak = [&] {
        // Counting stops past the limit, so that no run can overflow the counter.
        if (lineBreakRun < MaxLineBreakRun) {
            *write++ = '\n';
        }
        if (lineBreakRun <= MaxLineBreakRun) {
            ++lineBreakRun;
        }
    };

    // Every '<' before tagsTextBefore and every '&' before entitiesTextBefore is known to open
    // nothing (the '>' or ';' that the last search found is out of reach from there), so plain
    // text runs on over them: a part full of '<' or '&' costs about what text costs.
    const char* tagsTextBefore = begin;
    const char* entitiesTextBefore = begin;
    const auto isText = [&](char c, const char* at) {
        return !IsSpecial(c) || (c == '<' && at < tagsTextBefore) ||
               (c == '&' && at < entitiesTextBefore);
    };
    const auto raise = [](const char*& bound, const char* to) {
        if (bound < to) {
            bound = to;
        }
    };

    while (read < end) {
        const char c = *read;
        if (isText(c, read)) {
            // Plain text: whole words first, then single bytes up to the next special byte.
            while (static_cast<size_t>(end - read) >= ByteWords::Size) {
                const uint64_t word = ByteWords::Load(read);
                uint64_t special = ByteWords::ZeroFlags(word ^ ByteWords::Every('\r')) |
                                   ByteWords::ZeroFlags(word ^ ByteWords::Every('\n'));
                if (read + sizeof(word) > tagsTextBefore) {
                    special |= ByteWords::ZeroFlags(word ^ ByteWords::Every('<'));
                }
                if (read + sizeof(word) > entitiesTextBefore) {
                    special |= ByteWords::ZeroFlags(word ^ ByteWords::Every('&'));
                }
                if (special == 0) {
                    std::memcpy(write, &word, sizeof(word));
                    read += sizeof(word);
                    write += sizeof(word);
                    continue;
                }
                // The bytes before the first special one, in one store where that store cannot
                // reach a byte not yet read.
                if (ByteWords::IsLittleEndian() &&
                    read - write >= static_cast<ptrdiff_t>(sizeof(word))) {
                    const size_t text = ByteWords::LowestFlagged(special);
                    std::memcpy(write, &word, sizeof(word));
                    read += text;
                    write += text;
                }
                break;
            }
            while (read < end && isText(*read, read)) {
                *write++ = *read++;
            }
            lineBreakRun = 0;
            continue;
        }

        if (c == '<') {
            // A tag: a '>' within reach, no more than MaxTagContent bytes on, no zero before it.
            const char* content = read + 1;
            const char* close = tagEnds.Find(content);
            if (close == end) {
                tagsTextBefore = end;
            } else if (static_cast<size_t>(close - content) > MaxTagContent) {
                raise(tagsTextBefore, close - MaxTagContent - 1);
            } else {
                const char* zero = zeros.Find(content);
                if (zero > close) {
                    if (IsLineBreakTag(content, static_cast<size_t>(close - content))) {
                        lineBreak();
                    }
                    read = close + 1;
                    continue;
                }
                raise(tagsTextBefore, zero);
            }
        } else if (c == '&') {
            const char* name = read + 1;
            const char* semicolon = entityEnds.Find(name);
            if (semicolon == end) {
                entitiesTextBefore = end;
            } else if (static_cast<size_t>(semicolon - name) > MaxEntityName) {
                raise(entitiesTextBefore, semicolon - MaxEntityName - 1);
            } else {
                const char* zero = zeros.Find(name);
                if (zero > semicolon) {
                    char decoded;
                    if (DecodeEntity(name, static_cast<size_t>(semicolon - name), end, &decoded)) {
                        *write++ = decoded;
                    }
                    read = semicolon + 1;
                    continue;
                }
                raise(entitiesTextBefore, zero);
            }
        } else if (c == '\r') {
            ++read;
            continue;
        } else {
            ++read;
            lineBreak();
            continue;
        }
        // A '<' or '&' that opens nothing is text; what follows it is scanned as usual.
        *write++ = c;
        ++read;
        lineBreakRun = 0;
    }
    return write;
}

// UTF-8 to UTF-16 with MultiByteToWideChar, in pieces that fit its int count, each ending
// where a new sequence starts, so that the result equals one conversion of the whole. Adds the
// units written to `written`; false when the conversion fails.
bool ConvertPieces(const char* text, size_t length, WCHAR* out, size_t* written) {
    constexpr size_t MaxPiece = size_t{1} << 30;
    const auto isContinuation = [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    };
    while (length > 0) {
        size_t piece = length;
        if (piece > MaxPiece) {
            // Cut before a byte that starts a sequence. A sequence is at most 4 bytes long, so
            // when the 4 bytes up to the cut all continue one, the cut is between sequences.
            piece = MaxPiece;
            for (size_t back = 0; back <= 3; ++back) {
                if (!isContinuation(text[MaxPiece - back])) {
                    piece = MaxPiece - back;
                    break;
                }
            }
        }
        const int units = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(piece),
                                              out + *written, static_cast<int>(piece));
        if (units <= 0) {
            return false;
        }
        *written += static_cast<size_t>(units);
        text += piece;
        length -= piece;
    }
    return true;
}

bool IsAsciiWord(uint64_t word) {
    return (word & ByteWords::Every(0x80)) == 0;
}

// UTF-8 to UTF-16; returns the number of units written. Words of ASCII are widened here, since
// each ASCII byte is its own code point; the stretches between them go to MultiByteToWideChar.
// A stretch ends before an ASCII byte, which no sequence contains, so the result equals that of
// one conversion of the whole text.
size_t ConvertToUtf16(const char* text, size_t length, WCHAR* out) {
    constexpr size_t Word = ByteWords::Size;
    size_t written = 0;
    size_t at = 0;
    while (at < length) {
        while (length - at >= Word && IsAsciiWord(ByteWords::Load(text + at))) {
            // A local copy cannot alias the output, which lets the compiler widen in one go.
            unsigned char bytes[Word];
            std::memcpy(bytes, text + at, Word);
            for (size_t i = 0; i < Word; ++i) {
                out[written + i] = bytes[i];
            }
            at += Word;
            written += Word;
        }
        size_t stretchEnd = at;
        while (stretchEnd < length &&
               !(length - stretchEnd >= Word && IsAsciiWord(ByteWords::Load(text + stretchEnd)))) {
            stretchEnd = length - stretchEnd >= Word ? stretchEnd + Word : length;
        }
        if (!ConvertPieces(text + at, stretchEnd - at, out, &written)) {
            break;
        }
        at = stretchEnd;
    }
    return written;
}

} // namespace

WCHAR* MarkupToText(char* data, ULONG size, size_t* units) {
    if (size == 0 || data[0] == 0) {
        return nullptr;
    }
    char* end = CompactText(data, data + size);
    size_t textLength = static_cast<size_t>(end - data);
    // A final line feed, when the part has room to spare for it.
    if (textLength + 2 <= size) {
        *end++ = '\n';
        ++textLength;
    }

    auto* text = static_cast<WCHAR*>(CoTaskMemAlloc((textLength + 1) * sizeof(WCHAR)));
    if (text == nullptr) {
        return nullptr;
    }
    // The terminator goes after the converted units; the part itself may have no room for one.
    const size_t written = ConvertToUtf16(data, textLength, text);
    text[written] = 0;
    if (units != nullptr) {
        *units = written;
    }
    return text;
}
