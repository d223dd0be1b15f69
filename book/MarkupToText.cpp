#include "book/MarkupToText.h"

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
constexpr size_t MaxPackedLength = sizeof(uint64_t);

constexpr uint64_t PackBytes(const char* text, size_t length) {
    uint64_t packed = 0;
    for (size_t i = 0; i < length; ++i) {
        packed |= uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    }
    return packed;
}

bool IsLittleEndian() {
    const uint16_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// PackBytes for text that has at least 8 readable bytes: on little-endian machines one load.
uint64_t PackBytesWithin(const char* text, size_t length, const char* end) {
    if (IsLittleEndian() && static_cast<size_t>(end - text) >= sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, text, sizeof(word));
        return length >= sizeof(uint64_t) ? word : word & ((uint64_t{1} << (8 * length)) - 1);
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

// Eight bytes at a time.
constexpr uint64_t EveryByte(unsigned char b) {
    return 0x0101010101010101ull * b;
}

// Not zero exactly when v has a zero byte (flags above the lowest zero byte may be spurious).
uint64_t ZeroByteFlags(uint64_t v) {
    return (v - EveryByte(1)) & ~v & EveryByte(0x80);
}

// The high bit of each zero byte of v, and of no other byte.
uint64_t ZeroBytes(uint64_t v) {
    const uint64_t low7 = EveryByte(0x7F);
    return ~(((v & low7) + low7) | v | low7);
}

uint64_t LoadWord(const char* at) {
    uint64_t word;
    std::memcpy(&word, at, sizeof(word));
    return word;
}

// Finds the next occurrence of one byte value from positions that only move forward. A found
// position is remembered and serves every later search that starts at or before it, so all the
// searches of one part together look at each byte at most once: the scan stays linear however
// many '<' or '&' open nothing. The searches run to the part's end; the callers apply the
// bounds on tag content and entity names to the distance.
class ForwardSearch {
public:
    ForwardSearch(char byte, const char* end) : Byte(byte), End(end) {}

    // The first occurrence at or after `from`, or the part's end. `from` never decreases from
    // one call to the next.
    const char* Find(const char* from) {
        if (Next != nullptr && Next >= from) {
            return Next;
        }
        // The next occurrence is usually close: look at the next two words before calling
        // memchr (on little-endian machines, where a word's first byte is its lowest).
        const char* at = from;
        if (IsLittleEndian()) {
            for (int i = 0; i < 2 && static_cast<size_t>(End - at) >= sizeof(uint64_t); ++i) {
                const uint64_t hits = ZeroBytes(LoadWord(at) ^ EveryByte(Byte));
                if (hits != 0) {
                    return Next = at + LowestFlaggedByte(hits);
                }
                at += sizeof(uint64_t);
            }
        }
        const void* found =
            at < End ? std::memchr(at, Byte, static_cast<size_t>(End - at)) : nullptr;
        return Next = found != nullptr ? static_cast<const char*>(found) : End;
    }

private:
    // The index of the lowest byte flagged by ZeroBytes, for a little-endian load: the bytes
    // below it each contribute one to the top byte of the product.
    static size_t LowestFlaggedByte(uint64_t flags) {
        const uint64_t lowest = flags & (~flags + 1);
        return static_cast<size_t>(((((lowest >> 7) - 1) & EveryByte(1)) * EveryByte(1)) >> 56);
    }

    const char Byte;
    const char* const End;
    const char* Next = nullptr;
};

bool IsBodyMarkerAt(const char* at, const char* end) {
    return static_cast<size_t>(end - at) >= BodyMarkerLength && at[0] == '<' &&
           EqualsIgnoringCase(at + 1, BodyMarkerLength - 1, BodyMarker + 1, BodyMarkerLength - 1);
}

// The first body marker that lies wholly in [begin, end), or null.
const char* FindBodyMarker(const char* begin, const char* end) {
    constexpr size_t Word = sizeof(uint64_t);
    const char* at = begin;
    // Eight starting positions at a time: only a '<' followed by a 'b' or 'B' (equal once bit
    // 0x20 is set) is looked at closely, so that a part full of '<' costs no more than text.
    while (static_cast<size_t>(end - at) > Word) {
        const uint64_t opens = ZeroBytes(LoadWord(at) ^ EveryByte('<'));
        const uint64_t thenB = ZeroBytes((LoadWord(at + 1) | EveryByte(0x20)) ^ EveryByte('b'));
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
    if (length >= 2) {
        const char first = FoldAscii(content[0]);
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

// The byte an entity name stands for; false when it stands for nothing. Names are compared as
// packed numbers of equal length.
bool DecodeEntity(const char* name, size_t length, const char* end, char* decoded) {
    if (length >= 2 && length - 1 <= MaxPackedLength) {
        const uint64_t suffix = PackBytesWithin(name + 1, length - 1, end);
        for (const Name& accent : AccentSuffixes) {
            if (accent.Length == length - 1 && accent.Packed == suffix) {
                *decoded = name[0];
                return true;
            }
        }
    }
    if (length <= MaxPackedLength) {
        const uint64_t whole = PackBytesWithin(name, length, end);
        for (size_t i = 0; i < sizeof(EntityNames) / sizeof(EntityNames[0]); ++i) {
            if (EntityNames[i].Length == length && EntityNames[i].Packed == whole) {
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
            while (static_cast<size_t>(end - read) >= sizeof(uint64_t)) {
                const uint64_t word = LoadWord(read);
                uint64_t special =
                    ZeroByteFlags(word ^ EveryByte('\r')) | ZeroByteFlags(word ^ EveryByte('\n'));
                if (read + sizeof(word) > tagsTextBefore) {
                    special |= ZeroByteFlags(word ^ EveryByte('<'));
                }
                if (read + sizeof(word) > entitiesTextBefore) {
                    special |= ZeroByteFlags(word ^ EveryByte('&'));
                }
                if (special != 0) {
                    break;
                }
                std::memcpy(write, &word, sizeof(word));
                read += sizeof(word);
                write += sizeof(word);
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
    return (word & EveryByte(0x80)) == 0;
}

// UTF-8 to UTF-16; returns the number of units written. Words of ASCII are widened here, since
// each ASCII byte is its own code point; the stretches between them go to MultiByteToWideChar.
// A stretch ends before an ASCII byte, which no sequence contains, so the result equals that of
// one conversion of the whole text.
size_t ConvertToUtf16(const char* text, size_t length, WCHAR* out) {
    constexpr size_t Word = sizeof(uint64_t);
    size_t written = 0;
    size_t at = 0;
    while (at < length) {
        while (length - at >= Word && IsAsciiWord(LoadWord(text + at))) {
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
               !(length - stretchEnd >= Word && IsAsciiWord(LoadWord(text + stretchEnd)))) {
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

WCHAR* MarkupToText(char* data, ULONG size) {
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
    text[ConvertToUtf16(data, textLength, text)] = 0;
    return text;
}
