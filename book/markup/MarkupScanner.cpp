// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/MarkupScanner.h"

#include "book/markup/BlockTags.h"
#include "book/markup/ForwardSearch.h"
#include "book/markup/PackedBytes.h"
#include "platform/text/ByteBlocks.h"

#include <cstddef>
#include <cstdint>

namespace {

// Longest tag content (between '<' and '>') that makes a tag whatever it holds, and entity name
// (between '&' and ';') that makes an entity; a longer entity is text, and a longer tag only a
// tag when its content holds no '<' (MaxLongTagContent).
constexpr size_t MaxTagContent = 255;
constexpr size_t MaxEntityName = 9;
// Line feeds allowed in a row.
constexpr int MaxLineBreakRun = 2;

struct Name {
    const char* Text;
    size_t Length;
    uint64_t Packed;
};

template <size_t N> constexpr Name MakeName(const char (&text)[N]) {
    static_assert(N - 1 <= MaxPackedLength, "names are packed into 8 bytes");
    return {text, N - 1, PackBytes(text, N - 1)};
}

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

// The bytes that already keep two words apart: a separator between them adds nothing.
bool SeparatesWords(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0;
}

// One pass over a stretch of a part's markup, writing its text (ScanMarkup).
class MarkupScanner {
public:
    MarkupScanner(const char* read, const char* end, const char* firstZero, bool partEnds,
                  MarkupScanState& state, Utf16Builder& out)
        : Read(read), End(end),
          StopAt(partEnds                                            ? end
                 : static_cast<size_t>(end - read) > MarkupLookahead ? end - MarkupLookahead
                                                                     : read),
          PartEnds(partEnds), Out(out), Zeros(0, end, firstZero), TagEnds('>', end),
          TagStarts('<', end), EntityEnds(';', end), TagsTextBefore(read), EntitiesTextBefore(read),
          State(state), SeparatorPending(state.SeparatorPending), LastWritten(state.LastWritten),
          LineBreakRun(state.LineBreakRun), OpenTagSearched(state.OpenTagSearched) {}

    const char* Position() const { return Read; }

    void Scan() {
        if (OpenTagSearched != 0 && Read < StopAt) {
            // A long tag that the last stretch left open, at the read position: its searches
            // for a '>' and a '<' go on from where that stretch's ended, and what they find
            // answers the searches from the '<', since the content before holds neither.
            const char* const searched = Read + 1 + OpenTagSearched;
            TagEnds.Find(searched);
            TagStarts.Find(searched);
            OpenTagSearched = 0;
        }
        while (Read < StopAt) {
            const char c = *Read;
            if (IsText(c, Read)) {
                TextRun();
            } else if (c == '<') {
                if (!Tag()) {
                    if (OpenTagSearched != 0) {
                        // A long tag whose '>' may come with more of the part: the scan stops
                        // at its '<', for the next scan to start there.
                        break;
                    }
                    OpenerAsText(c);
                }
            } else if (c == '&') {
                if (!Entity()) {
                    OpenerAsText(c);
                }
            } else if (c == '\r') {
                ++Read;
            } else {
                ++Read;
                LineBreak();
            }
        }
        State.SeparatorPending = SeparatorPending;
        State.LastWritten = LastWritten;
        State.LineBreakRun = LineBreakRun;
        State.OpenTagSearched = OpenTagSearched;
    }

private:
    using Blocks = ByteBlocks;

    // Every '<' before TagsTextBefore and every '&' before EntitiesTextBefore is known to open
    // nothing (the '>' or ';' that the last search found is out of reach from there), so plain
    // text runs on over them: a part full of '<' or '&' costs about what text costs.
    bool IsText(char c, const char* at) const {
        return !IsSpecial(c) || (c == '<' && at < TagsTextBefore) ||
               (c == '&' && at < EntitiesTextBefore);
    }

    static void Raise(const char*& bound, const char* to) {
        if (bound < to) {
            bound = to;
        }
    }

    // Plain text, a block at a time up to the next byte that may be special.
    void TextRun() {
        SeparateFrom(*Read);
        for (;;) {
            if (static_cast<size_t>(End - Read) < Blocks::Size) {
                const char* run = Read;
                while (Read < End && IsText(*Read, Read)) {
                    ++Read;
                }
                Out.Append(run, static_cast<size_t>(Read - run));
                break;
            }
            const Blocks::Block block = Blocks::Load(Read);
            Blocks::Flags special = Blocks::Equal(block, '\r') | Blocks::Equal(block, '\n');
            if (Read + Blocks::Size > TagsTextBefore) {
                special |= Blocks::Equal(block, '<');
            }
            if (Read + Blocks::Size > EntitiesTextBefore) {
                special |= Blocks::Equal(block, '&');
            }
            if (!Blocks::Any(special)) {
                Out.Append(Read, block);
                Read += Blocks::Size;
                continue;
            }
            // The output has room for the whole block: it holds a unit for every byte of the
            // part, and no more units than bytes read have been written.
            const size_t text = Blocks::First(special);
            Out.Append(Read, block, text);
            Read += text;
            if (!IsText(*Read, Read)) {
                break;
            }
            // A '<' or '&' already known to open nothing.
            Out.Append(*Read++);
        }
        LastWritten = Read[-1];
        LineBreakRun = 0;
    }

    // A tag at the '<' read: the first '>' after it, with no zero byte before it, and between
    // them at most MaxTagContent bytes, or at most MaxLongTagContent that hold no '<'
    // (LongTagEnd). Returns false, the '<' left unread, when there is none, or when a long
    // tag's '>' may come with more of the part.
    bool Tag() {
        const char* content = Read + 1;
        // Most tags are short: one block after the '<' tells.
        if (static_cast<size_t>(End - content) >= Blocks::Size) {
            const Blocks::Block block = Blocks::Load(content);
            const Blocks::Flags closes = Blocks::Equal(block, '>');
            if (Blocks::Any(closes)) {
                const size_t length = Blocks::First(closes);
                const Blocks::Flags zero = Blocks::Equal(block, 0);
                if (!Blocks::Any(zero) || Blocks::First(zero) > length) {
                    RemoveTag(content, length);
                    return true;
                }
            }
        }
        const char* close = TagEnds.Find(content);
        if (close == End || static_cast<size_t>(close - content) > MaxTagContent) {
            close = LongTagEnd(content, close);
            if (close == nullptr) {
                return false;
            }
        } else {
            const char* zero = Zeros.Find(content);
            if (zero < close) {
                Raise(TagsTextBefore, zero);
                return false;
            }
        }
        RemoveTag(content, static_cast<size_t>(close - content));
        return true;
    }

    // The '>' of the tag whose content starts at `content` and whose first '>', `close`, lies
    // more than MaxTagContent bytes on or has not come (End): a tag when its content holds no
    // '<' or zero byte and is at most MaxLongTagContent bytes long. Null when there is no tag;
    // and also where more of the part follows and the '>' may come there, OpenTagSearched then
    // set to the content's length so far.
    const char* LongTagEnd(const char* content, const char* close) {
        if (close == End && PartEnds) {
            // No '>' follows: no '<' from here on opens a tag.
            TagsTextBefore = End;
            return nullptr;
        }
        const char* zero = Zeros.Find(content);
        if (zero < close) {
            // Every '<' before the zero byte holds it in its content.
            Raise(TagsTextBefore, zero);
            return nullptr;
        }
        const char* opener = TagStarts.Find(content);
        if (opener < close) {
            // Of the '<' whose content is too long to hold a '<', only the last one before the
            // '>' holds none: plain text runs on to it.
            const char* last = LastOpener(opener, close);
            const char* longContent = close - MaxTagContent - 1;
            Raise(TagsTextBefore, last < longContent ? last : longContent);
            return nullptr;
        }
        // Where the '>' has not come, the content so far.
        const size_t length = static_cast<size_t>(close - content);
        if (length > MaxLongTagContent) {
            return nullptr;
        }
        if (close == End) {
            OpenTagSearched = length;
            return nullptr;
        }
        return close;
    }

    // The last '<' in [from, to); there is one at `from`. No byte is searched twice so: the
    // scan then reads on as text up to the '<' found, or up to the '<' whose content is short
    // enough to hold one, and any '<' it meets there ends at the '>' at `to`; the next search
    // starts past it.
    static const char* LastOpener(const char* from, const char* to) {
        const char* at = to;
        while (static_cast<size_t>(at - from) >= Blocks::Size) {
            at -= Blocks::Size;
            const Blocks::Flags opens = Blocks::Equal(Blocks::Load(at), '<');
            if (Blocks::Any(opens)) {
                return at + Blocks::Last(opens);
            }
        }
        while (*--at != '<') {
        }
        return at;
    }

    // The byte that closes what an opener starts, its content at `content`: the next one that
    // `closers` finds, within `maxContent` bytes and before any zero byte. Null when there is
    // none, and `textBefore` rises past the openers that this shows to open nothing.
    const char* FindCloser(ForwardSearch& closers, const char* content, size_t maxContent,
                           const char*& textBefore) {
        const char* close = closers.Find(content);
        if (close == End) {
            // Where more of the part follows, a closer may still come after End for an opener
            // that has it within reach.
            if (PartEnds) {
                textBefore = End;
            } else if (static_cast<size_t>(End - content) > maxContent) {
                Raise(textBefore, End - maxContent - 1);
            }
            return nullptr;
        }
        if (static_cast<size_t>(close - content) > maxContent) {
            Raise(textBefore, close - maxContent - 1);
            return nullptr;
        }
        const char* zero = Zeros.Find(content);
        if (zero < close) {
            Raise(textBefore, zero);
            return nullptr;
        }
        return close;
    }

    // Removes the tag whose content starts at `content`, reading on after its '>'.
    void RemoveTag(const char* content, size_t length) {
        switch (BlockTagKind(content, length, End)) {
        case TagKind::LineBreak:
            LineBreak();
            break;
        case TagKind::Block:
            SeparatorPending = true;
            break;
        case TagKind::Other:
            break;
        }
        Read = content + length + 1;
    }

    // An entity at the '&' read, as Tag does for a tag.
    bool Entity() {
        const char* name = Read + 1;
        const char* semicolon = FindCloser(EntityEnds, name, MaxEntityName, EntitiesTextBefore);
        if (semicolon == nullptr) {
            return false;
        }
        char decoded;
        if (DecodeEntity(name, static_cast<size_t>(semicolon - name), End, &decoded)) {
            WriteByte(decoded);
        }
        Read = semicolon + 1;
        return true;
    }

    // A '<' or '&' that opens nothing is text; what follows it is scanned as usual.
    void OpenerAsText(char c) {
        WriteByte(c);
        ++Read;
        LineBreakRun = 0;
    }

    // A line feed of the markup or a line-break tag.
    void LineBreak() {
        SeparatorPending = false;
        // The count stops at the limit: past it a line break writes nothing either.
        if (LineBreakRun < MaxLineBreakRun) {
            Out.Append('\n');
            LastWritten = '\n';
            ++LineBreakRun;
        }
    }

    // A removed block tag (a list item, a table cell, a division...) stands between two words
    // that the markup writes with nothing in between, as in `<td>a</td><td>b</td>`: the first
    // byte written after it gets a line feed before it unless a line break, a space or the
    // start of the text already separates the two.
    void SeparateFrom(char next) {
        if (SeparatorPending) {
            SeparatorPending = false;
            if (!SeparatesWords(LastWritten) && !SeparatesWords(next)) {
                Out.Append('\n');
            }
        }
    }

    // One byte of text that is not part of a run: a decoded entity, a '<' or '&' that opens
    // nothing.
    void WriteByte(char c) {
        SeparateFrom(c);
        Out.Append(c);
        LastWritten = c;
    }

    const char* Read;
    const char* const End;
    // No token starts at or after it: where the part goes on past End, the lookahead before.
    const char* const StopAt;
    const bool PartEnds;
    Utf16Builder& Out;
    ForwardSearch Zeros;
    ForwardSearch TagEnds;
    ForwardSearch TagStarts;
    ForwardSearch EntityEnds;
    const char* TagsTextBefore;
    const char* EntitiesTextBefore;
    // Where the state goes back when the scan stops; the scan keeps its own copy.
    MarkupScanState& State;
    bool SeparatorPending;
    char LastWritten;
    int LineBreakRun;
    size_t OpenTagSearched;
};

} // namespace

const char* ScanMarkup(const char* read, const char* end, const char* firstZero, bool partEnds,
                       MarkupScanState& state, Utf16Builder& out) {
    MarkupScanner scanner(read, end, firstZero, partEnds, state, out);
    scanner.Scan();
    return scanner.Position();
}

void EndPartText(Utf16Builder& out, uint64_t partSize) {
    if (out.BytesTaken() + 2 <= partSize) {
        out.Append('\n');
    }
}
