// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/PalmBook.h"

#include <algorithm>

namespace {

constexpr size_t RecordCountOffset = 76;
constexpr size_t RecordListOffset = 78;
constexpr size_t MobiHeaderStart = 16;     // in record 0, after the PalmDOC header
constexpr size_t MobiHeaderLength = 20;    // in record 0
constexpr size_t FullNameOffsetField = 84; // in record 0

} // namespace

PalmBook::PalmBook(std::vector<unsigned char> bytes) : Bytes(std::move(bytes)) {}

PalmBook PalmBook::MakePalmDoc(const std::string& name, const std::string& text) {
    constexpr size_t record0Length = 16;
    const size_t record0 = RecordListOffset + 2 * 8 + 2;
    PalmBook book(std::vector<unsigned char>(record0 + record0Length + text.size(), 0));
    std::copy(name.begin(), name.begin() + std::min<size_t>(name.size(), 31), book.Bytes.begin());
    const std::string typeAndCreator = "TEXtREAd";
    std::copy(typeAndCreator.begin(), typeAndCreator.end(), book.Bytes.begin() + 60);
    book.Bytes[RecordCountOffset + 1] = 2;
    book.Write32(RecordListOffset, static_cast<uint32_t>(record0));
    book.Write32(RecordListOffset + 8, static_cast<uint32_t>(record0 + record0Length));
    book.Bytes[RecordListOffset + 8 + 7] = 1; // unique id of record 1
    // PalmDOC header: no compression, the text length, one text record of up to 4096 bytes.
    book.Bytes[record0 + 1] = 1;
    book.Write32(record0 + 4, static_cast<uint32_t>(text.size()));
    book.Bytes[record0 + 9] = 1;
    book.Bytes[record0 + 10] = 0x10;
    std::copy(text.begin(), text.end(), book.Bytes.begin() + record0 + record0Length);
    return book;
}

uint32_t PalmBook::Read32(size_t at) const {
    return (uint32_t(Bytes[at]) << 24) | (uint32_t(Bytes[at + 1]) << 16) |
           (uint32_t(Bytes[at + 2]) << 8) | uint32_t(Bytes[at + 3]);
}

void PalmBook::Write32(size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        Bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    }
}

size_t PalmBook::RecordCount() const {
    return (size_t(Bytes[RecordCountOffset]) << 8) | Bytes[RecordCountOffset + 1];
}

uint32_t PalmBook::RecordOffset(size_t index) const {
    return Read32(RecordListOffset + 8 * index);
}

std::pair<size_t, size_t> PalmBook::TextRecords() const {
    const uint32_t at = RecordOffset(0) + 8;
    return {1, (size_t(Bytes[at]) << 8) | Bytes[at + 1]};
}

std::vector<std::pair<uint32_t, uint32_t>> PalmBook::Records() const {
    std::vector<std::pair<uint32_t, uint32_t>> records;
    if (Bytes.size() < RecordListOffset) {
        return records;
    }
    const std::string type(Bytes.begin() + 60, Bytes.begin() + 64);
    const size_t count = RecordCount();
    if ((type != "BOOK" && type != "TEXt") || Bytes.size() < RecordListOffset + 8 * count) {
        return records;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t offset = RecordOffset(i);
        const uint64_t end = i + 1 < count ? RecordOffset(i + 1) : Bytes.size();
        if (end < offset || end > Bytes.size()) {
            return {};
        }
        records.emplace_back(offset, static_cast<uint32_t>(end - offset));
    }
    return records;
}

void PalmBook::MoveRecords(size_t first, int64_t shift) {
    for (size_t r = first; r < RecordCount(); ++r) {
        Write32(RecordListOffset + 8 * r, static_cast<uint32_t>(RecordOffset(r) + shift));
    }
}

void PalmBook::SetDatabaseType(const char type[4]) {
    for (int i = 0; i < 4; ++i) {
        Bytes[60 + i] = static_cast<unsigned char>(type[i]);
    }
}

void PalmBook::SetRecord0Field32(size_t offset, uint32_t value) {
    Write32(RecordOffset(0) + offset, value);
}

void PalmBook::SetRecord0Field16(size_t offset, uint16_t value) {
    const size_t at = RecordOffset(0) + offset;
    Bytes[at] = static_cast<unsigned char>(value >> 8);
    Bytes[at + 1] = static_cast<unsigned char>(value);
}

void PalmBook::SpoilPalmDocRecord(size_t index) {
    for (uint32_t at = RecordOffset(index); at < RecordOffset(index + 1); ++at) {
        Bytes[at] = (at - RecordOffset(index)) % 2 == 0 ? 0x80 : 0xFF;
    }
}

void PalmBook::ResizeRecord(size_t index, size_t length) {
    const auto records = Records();
    const uint32_t offset = records.at(index).first;
    const uint32_t oldLength = records[index].second;
    if (length < oldLength) {
        Bytes.erase(Bytes.begin() + offset + length, Bytes.begin() + offset + oldLength);
    } else {
        Bytes.insert(Bytes.begin() + offset + oldLength, length - oldLength, 0);
    }
    MoveRecords(index + 1, static_cast<int64_t>(length) - static_cast<int64_t>(oldLength));
}

void PalmBook::AppendRecord(const std::vector<unsigned char>& data) {
    const size_t count = RecordCount();
    Bytes.insert(Bytes.begin() + RecordListOffset + 8 * count, 8, 0);
    MoveRecords(0, 8);
    Write32(RecordListOffset + 8 * count, static_cast<uint32_t>(Bytes.size()));
    Write32(RecordListOffset + 8 * count + 4, static_cast<uint32_t>(2 * count) & 0xFFFFFF);
    Bytes[RecordCountOffset] = static_cast<unsigned char>((count + 1) >> 8);
    Bytes[RecordCountOffset + 1] = static_cast<unsigned char>(count + 1);
    Bytes.insert(Bytes.end(), data.begin(), data.end());
}

bool PalmBook::ReplaceExthString(uint32_t tag, const std::string& value) {
    return EditExthString(tag, value, false);
}

bool PalmBook::AddExthString(uint32_t tag, const std::string& value) {
    return EditExthString(tag, value, true);
}

bool PalmBook::EditExthString(uint32_t tag, const std::string& value, bool add) {
    const size_t record0 = RecordOffset(0);
    const size_t exth = record0 + MobiHeaderStart + Read32(record0 + MobiHeaderLength);
    if (Bytes.size() < exth + 12 ||
        std::string(Bytes.begin() + exth, Bytes.begin() + exth + 4) != "EXTH") {
        return false;
    }
    const uint32_t headerLength = Read32(exth + 4);
    const uint32_t count = Read32(exth + 8);
    size_t at = exth + 12;
    uint32_t recordLength = 0;
    bool found = false;
    for (uint32_t i = 0; i < count && !found; ++i) {
        recordLength = Read32(at + 4);
        found = !add && Read32(at) == tag;
        if (!found) {
            at += recordLength;
        }
    }
    if (add) {
        // A new record after the last one.
        Bytes.insert(Bytes.begin() + at, 8, 0);
        Write32(at, tag);
        Write32(exth + 8, count + 1);
        recordLength = 8;
    } else if (!found) {
        return false;
    }
    const long inserted = add ? 8 : 0;
    const long change = static_cast<long>(value.size() + 8) - static_cast<long>(recordLength);
    // Keep everything after the EXTH block 4-byte aligned by adding zero padding after it.
    const long padding = ((change % 4) + 4) % 4 == 0 ? 0 : 4 - ((change % 4) + 4) % 4;
    const long shift = inserted + change + padding;

    std::vector<unsigned char> data(value.begin(), value.end());
    Bytes.erase(Bytes.begin() + at + 8, Bytes.begin() + at + recordLength);
    Bytes.insert(Bytes.begin() + at + 8, data.begin(), data.end());
    Write32(at + 4, static_cast<uint32_t>(value.size() + 8));
    const size_t exthEnd = exth + headerLength + inserted + change;
    Bytes.insert(Bytes.begin() + exthEnd, static_cast<size_t>(padding), 0);
    Write32(exth + 4, static_cast<uint32_t>(headerLength + inserted + change));

    Write32(record0 + FullNameOffsetField,
            static_cast<uint32_t>(Read32(record0 + FullNameOffsetField) + shift));
    MoveRecords(1, shift);
    return true;
}
