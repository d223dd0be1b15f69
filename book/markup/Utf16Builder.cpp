// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/Utf16Builder.h"

#include <cstring>

void Utf16Builder::AppendStaging(const char* text, size_t length) {
    Taken += length;
    size_t at = 0;
    while (at < length) {
        if (StagedLength == 0) {
            while (length - at >= ByteBlocks::Size) {
                const ByteBlocks::Block block = ByteBlocks::Load(text + at);
                if (!ByteBlocks::IsAscii(block)) {
                    break;
                }
                ByteBlocks::Widen(block, Out + Written);
                Written += ByteBlocks::Size;
                at += ByteBlocks::Size;
            }
            while (at < length && IsAscii(text[at])) {
                Out[Written++] = static_cast<unsigned char>(text[at++]);
            }
        }
        while (at < length && !IsAscii(text[at])) {
            if (StagedLength == sizeof(Staged)) {
                ConvertStagedBefore(text[at]);
            }
            Staged[StagedLength++] = text[at++];
        }
        if (at < length) {
            // An ASCII byte comes next: whatever is staged is complete, or can never be.
            ConvertStaged(StagedLength);
        }
    }
}

void Utf16Builder::ConvertStagedBefore(char next) {
    // Cut before the last byte that can start a sequence, among `next` and the three staged
    // bytes before it. When all four continue one, any sequence they belong to started
    // earlier still and has ended before `next`, which is then a stray continuation byte:
    // a cut before it falls between sequences too.
    size_t cut = StagedLength;
    if (IsContinuation(next)) {
        for (size_t back = 1; back <= 3; ++back) {
            if (!IsContinuation(Staged[StagedLength - back])) {
                cut = StagedLength - back;
                break;
            }
        }
    }
    ConvertStaged(cut);
}

void Utf16Builder::ConvertStaged(size_t cut) {
    if (cut > 0) {
        // Never more units than bytes: a four-byte sequence gives a surrogate pair.
        const int units = MultiByteToWideChar(CP_UTF8, 0, Staged, static_cast<int>(cut),
                                              Out + Written, static_cast<int>(cut));
        Written += units > 0 ? static_cast<size_t>(units) : 0;
    }
    StagedLength -= cut;
    std::memmove(Staged, Staged + cut, StagedLength);
}

size_t Utf16Builder::Finish() {
    Flush();
    Out[Written] = 0;
    return Written;
}
