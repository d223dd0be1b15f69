// SPDX-License-Identifier: LGPL-3.0-or-later
// UTF-8 text, handed over in runs as the markup scan finds it, written out as UTF-16.
#pragma once

#include "platform/Platform.h"
#include "platform/text/ByteBlocks.h"

#include <cstddef>

// The result equals one MultiByteToWideChar conversion (CP_UTF8) of all the runs joined, even
// where a run ends inside a multi-byte sequence that the next run completes: bytes above 0x7F
// wait in a small staging area until an ASCII byte, which no sequence contains, or until a cut
// is known to fall between sequences. ASCII text goes straight out, sixteen bytes at a time.
class Utf16Builder {
public:
    // `out` has room for one unit for every byte that will be appended, and one more.
    explicit Utf16Builder(WCHAR* out) : Out(out) {}

    // Goes on writing at `out`, from its start, after the caller has taken the units written
    // so far: bytes that wait to complete a sequence still wait, and BytesTaken still counts.
    void ContinueAt(WCHAR* out) {
        Out = out;
        Written = 0;
    }
    // Starts over at `out`, as a new builder would.
    void StartOver(WCHAR* out) {
        ContinueAt(out);
        Taken = 0;
        StagedLength = 0;
    }
    Utf16Builder(const Utf16Builder&) = delete;
    Utf16Builder& operator=(const Utf16Builder&) = delete;

    void Append(const char* text, size_t length) {
        if (StagedLength != 0) {
            AppendStaging(text, length);
            return;
        }
        size_t at = 0;
        while (length - at >= ByteBlocks::Size) {
            const ByteBlocks::Block block = ByteBlocks::Load(text + at);
            if (!ByteBlocks::IsAscii(block)) {
                AppendStaging(text + at, length - at);
                Taken += at;
                return;
            }
            ByteBlocks::Widen(block, Out + Written);
            Written += ByteBlocks::Size;
            at += ByteBlocks::Size;
        }
        for (; at < length; ++at) {
            if (!IsAscii(text[at])) {
                AppendStaging(text + at, length - at);
                Taken += at;
                return;
            }
            Out[Written++] = static_cast<unsigned char>(text[at]);
        }
        Taken += length;
    }

    void Append(char byte) {
        if (StagedLength == 0 && IsAscii(byte)) {
            Out[Written++] = static_cast<unsigned char>(byte);
            ++Taken;
        } else {
            AppendStaging(&byte, 1);
        }
    }

    // A block of ByteBlocks::Size bytes that the caller has loaded already.
    void Append(const char* text, ByteBlocks::Block block) {
        if (StagedLength == 0 && ByteBlocks::IsAscii(block)) {
            ByteBlocks::Widen(block, Out + Written);
            Written += ByteBlocks::Size;
            Taken += ByteBlocks::Size;
        } else {
            AppendStaging(text, ByteBlocks::Size);
        }
    }

    // The first `length` bytes of a block that the caller has loaded already. The output must
    // have room for a whole block's units from here on, which it may write.
    void Append(const char* text, ByteBlocks::Block block, size_t length) {
        if (StagedLength == 0 && ByteBlocks::IsAscii(block)) {
            ByteBlocks::Widen(block, Out + Written);
            Written += length;
            Taken += length;
        } else {
            AppendStaging(text, length);
        }
    }

    // The UTF-8 bytes appended so far.
    size_t BytesTaken() const { return Taken; }
    // The units written so far.
    size_t Units() const { return Written; }

    // Converts what still waits.
    void Flush() { ConvertStaged(StagedLength); }
    // Converts what still waits and terminates the text; returns the units before the
    // terminator.
    size_t Finish();

private:
    static bool IsAscii(char byte) { return static_cast<unsigned char>(byte) < 0x80; }
    static bool IsContinuation(char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
    }

    // Appends text that holds, or follows, bytes above 0x7F.
    void AppendStaging(const char* text, size_t length);
    // Converts the staged bytes before `cut` and keeps the rest staged.
    void ConvertStaged(size_t cut);
    // Makes room in a full staging area for `next`, the byte that comes after it.
    void ConvertStagedBefore(char next);

    WCHAR* Out;
    size_t Written = 0;
    size_t Taken = 0;
    char Staged[256];
    size_t StagedLength = 0;
};
