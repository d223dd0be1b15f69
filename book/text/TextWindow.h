// SPDX-License-Identifier: LGPL-3.0-or-later
// A window over a book's decoded text that only moves forward.
#pragma once

#include "book/text/TextRecordDecoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Holds the text from a position on, as far as its records have been decoded: records are
// decoded in order when the window is asked to reach further, each straight into it, and the
// bytes before the position asked for are let go. Its memory is made once, for the longest
// stretch it will be asked to hold.
class TextWindow {
public:
    TextWindow() = default;
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;

    // `decoder` is open and stays the window's. False when memory runs out.
    bool Init(TextRecordDecoder& decoder, size_t longestStretch);

    // Lets go of the text before `from`, then decodes records until the window holds the text
    // up to `to`. True when it holds [from, to); false when the text ends first, or a record
    // fails (Failed), or the stretch is longer than the window was made for.
    bool Reach(uint64_t from, uint64_t to);
    // The text at `position`, which the window holds.
    const char* At(uint64_t position) const {
        return reinterpret_cast<const char*>(Bytes.get() + (position - Begin));
    }
    uint64_t Start() const { return Begin; }
    uint64_t End() const { return Begin + Length; }
    bool Failed() const { return Decoder->Failed(); }
    // Back to the text's start, to read it again from its first record.
    void Restart();

private:
    void LetGoBefore(uint64_t position);

    TextRecordDecoder* Decoder = nullptr;
    std::unique_ptr<unsigned char[]> Bytes;
    size_t Capacity = 0;
    // Where the bytes held start in the text, and how many there are.
    uint64_t Begin = 0;
    size_t Length = 0;
};
