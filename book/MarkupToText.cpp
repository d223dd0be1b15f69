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
    return length == name.Length && std::memcmp(text, name.Text, length) == 0;
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

// Eight bytes at a time: whether a word holds a given byte value (exact, no false positives).
constexpr uint64_t EveryByte(unsigned char b) {
    return 0x0101010101010101ull * b;
}

uint64_t ZeroByteFlags(uint64_t v) {
    return (v - EveryByte(1)) & ~v & EveryByte(0x80);
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

// Searches for one byte value from positions that only move forward, remembering how far it has
// already looked, so that all its searches together examine each byte of the part at most once.
// This keeps the scan linear even when a '<' or '&' that opens nothing is repeated.
class ForwardSearch {
public:
    ForwardSearch(char byte, const char* start) : Byte(byte), Clean(start) {}

    // The first occurrence in [from, limit), or null. `from` must not decrease from call to call.
    const char* Find(const char* from, const char* limit) {
        if (Clean < from) {
            Clean = from;
            Hit = false;
        }
        if (!Hit && Clean < limit) {
            const void* at = std::memchr(Clean, Byte, static_cast<size_t>(limit - Clean));
            if (at != nullptr) {
                Clean = static_cast<const char*>(at);
                Hit = true;
            } else {
                Clean = limit;
            }
        }
        return Hit && Clean < limit ? Clean : nullptr;
    }

private:
    const char Byte;
    // Nothing in [last from, Clean) is Byte; when Hit, Clean points at one.
    const char* Clean;
    bool Hit = false;
};

const char* LimitAfter(const char* from, size_t count, const char* end) {
    return static_cast<size_t>(end - from) > count ? from + count : end;
}

// The first body marker that lies wholly in [begin, end), or null.
const char* FindBodyMarker(const char* begin, const char* end) {
    const char* at = begin;
    while (static_cast<size_t>(end - at) >= BodyMarkerLength) {
        // Skip whole words without a '<' first.
        if (static_cast<size_t>(end - at) >= sizeof(uint64_t) &&
            ZeroByteFlags(LoadWord(at) ^ EveryByte('<')) == 0) {
            at += sizeof(uint64_t);
            continue;
        }
        if (*at == '<' && EqualsIgnoringCase(at + 1, BodyMarkerLength - 1, BodyMarker + 1,
                                             BodyMarkerLength - 1)) {
            return at;
        }
        ++at;
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

    ForwardSearch zeros(0, read);
    ForwardSearch tagEnds('>', read);
    ForwardSearch entityEnds(';', read);
    auto lineBreak = [&] {
        // Counting stops at the limit, so a huge run cannot overflow the counter.
        if (lineBreakRun < MaxLineBreakRun) {
            ++lineBreakRun;
            *write++ = '\n';
        } else {
            lineBreakRun = MaxLineBreakRun + 1;
        }
    };

    while (read < end) {
        // Plain text: whole words first, then single bytes up to the next special byte.
        while (static_cast<size_t>(end - read) >= sizeof(uint64_t)) {
            const uint64_t word = LoadWord(read);
            if (HasSpecialByte(word)) {
                break;
            }
            std::memcpy(write, &word, sizeof(word));
            read += sizeof(word);
            write += sizeof(word);
            lineBreakRun = 0;
        }
        while (read < end && !IsSpecial(*read)) {
            *write++ = *read++;
            lineBreakRun = 0;
        }
        if (read == end) {
            break;
        }

        const char c = *read;
        if (c == '<') {
            const char* content = read + 1;
            const char* close = tagEnds.Find(content, LimitAfter(content, MaxTagContent + 1, end));
            if (close != nullptr && zeros.Find(content, close) == nullptr) {
                if (IsLineBreakTag(content, static_cast<size_t>(close - content))) {
                    lineBreak();
                }
                read = close + 1;
                continue;
            }
        } else if (c == '&') {
            const char* name = read + 1;
            const char* semicolon = entityEnds.Find(name, LimitAfter(name, MaxEntityName + 1, end));
            if (semicolon != nullptr && zeros.Find(name, semicolon) == nullptr) {
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

// UTF-8 to UTF-16 in pieces that fit an int count, each ending where a new sequence starts, so
// that the result equals one conversion of the whole. Returns the number of units written.
size_t ConvertToUtf16(const char* text, size_t length, WCHAR* out) {
    constexpr size_t MaxPiece = size_t{1} << 30;
    const auto isContinuation = [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    };
    size_t written = 0;
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
                                              out + written, static_cast<int>(piece));
        if (units <= 0) {
            break;
        }
        written += static_cast<size_t>(units);
        text += piece;
        length -= piece;
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
