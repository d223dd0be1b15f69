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

struct Name {
    const char* Text;
    size_t Length;
};

template <size_t N> constexpr Name MakeName(const char (&text)[N]) {
    return {text, N - 1};
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

bool Equals(const char* text, size_t length, const Name& name) {
    if (length != name.Length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != name.Text[i]) {
            return false;
        }
    }
    return true;
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

bool HasSpecialByte(uint64_t word) {
    return (ZeroByteFlags(word ^ EveryByte('<')) | ZeroByteFlags(word ^ EveryByte('&')) |
            ZeroByteFlags(word ^ EveryByte('\r')) | ZeroByteFlags(word ^ EveryByte('\n'))) != 0;
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
        // The next occurrence is usually close: look at a few bytes before calling memchr.
        const char* at = from;
        for (const char* near = LimitAfter(from, 16, End); at < near; ++at) {
            if (*at == Byte) {
                return Next = at;
            }
        }
        const void* found =
            at < End ? std::memchr(at, Byte, static_cast<size_t>(End - at)) : nullptr;
        return Next = found != nullptr ? static_cast<const char*>(found) : End;
    }

private:
    static const char* LimitAfter(const char* from, size_t count, const char* end) {
        return static_cast<size_t>(end - from) > count ? from + count : end;
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

// The byte an entity name stands for; false when it stands for nothing.
bool DecodeEntity(const char* name, size_t length, char* decoded) {
    if (length >= 2) {
        for (const Name& suffix : AccentSuffixes) {
            if (Equals(name + 1, length - 1, suffix)) {
                *decoded = name[0];
                return true;
            }
        }
    }
    for (size_t i = 0; i < sizeof(EntityNames) / sizeof(EntityNames[0]); ++i) {
        if (Equals(name, length, EntityNames[i])) {
            *decoded = EntityBytes[i];
            return true;
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

    while (read < end) {
        const char c = *read;
        if (!IsSpecial(c)) {
            // Plain text: whole words first, then single bytes up to the next special byte.
            while (static_cast<size_t>(end - read) >= sizeof(uint64_t)) {
                const uint64_t word = LoadWord(read);
                if (HasSpecialByte(word)) {
                    break;
                }
                std::memcpy(write, &word, sizeof(word));
                read += sizeof(word);
                write += sizeof(word);
            }
            while (read < end && !IsSpecial(*read)) {
                *write++ = *read++;
            }
            lineBreakRun = 0;
            continue;
        }

        if (c == '<') {
            // A tag: a '>' within reach, no more than MaxTagContent bytes on, no zero before it.
            const char* content = read + 1;
            const char* close = tagEnds.Find(content);
            if (close != end && static_cast<size_t>(close - content) <= MaxTagContent &&
                zeros.Find(content) > close) {
                if (IsLineBreakTag(content, static_cast<size_t>(close - content))) {
                    lineBreak();
                }
                read = close + 1;
                continue;
            }
        } else if (c == '&') {
            const char* name = read + 1;
            const char* semicolon = entityEnds.Find(name);
            if (semicolon != end && static_cast<size_t>(semicolon - name) <= MaxEntityName &&
                zeros.Find(name) > semicolon) {
                char decoded;
                if (DecodeEntity(name, static_cast<size_t>(semicolon - name), &decoded)) {
                    *write++ = decoded;
                }
                read = semicolon + 1;
                continue;
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
