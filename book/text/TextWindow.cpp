// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/TextWindow.h"

#include "platform/AllocationFailures.h"

#include <cstring>
#include <new>

bool TextWindow::Init(TextRecordDecoder& decoder, size_t longestStretch) {
    Decoder = &decoder;
    // A stretch, and the rest of the record that ends it.
    Capacity = longestStretch + decoder.MaxRecordLength();
    Bytes.reset(NewArray<unsigned char>(Capacity));
    Begin = 0;
    Length = 0;
    return Bytes != nullptr;
}

void TextWindow::Restart() {
    Decoder->Rewind();
    Begin = 0;
    Length = 0;
}

void TextWindow::LetGoBefore(uint64_t position) {
    if (position <= Begin) {
        return;
    }
    const size_t gone = position - Begin < Length ? static_cast<size_t>(position - Begin) : Length;
    std::memmove(Bytes.get(), Bytes.get() + gone, Length - gone);
    Length -= gone;
    Begin += gone;
}

bool TextWindow::Reach(uint64_t from, uint64_t to) {
    LetGoBefore(from);
    while (End() < to) {
        if (Capacity - Length < Decoder->MaxRecordLength()) {
            return false;
        }
        size_t decoded = 0;
        if (!Decoder->Next(Bytes.get() + Length, &decoded)) {
            return false;
        }
        Length += decoded;
        LetGoBefore(from);
    }
    return Begin <= from;
}
