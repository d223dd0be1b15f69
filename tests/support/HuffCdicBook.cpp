// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/HuffCdicBook.h"

#include "book/text/LibmobiInternals.h"
#include "tests/support/PalmBook.h"

#include <mobi.h>

#include <cstdint>
#include <string>

namespace {

// Record 0's fields (the PalmDOC header, then the MOBI header from 16).
constexpr size_t CompressionField = 0;
constexpr size_t HuffRecordField = 112;
constexpr size_t HuffCountField = 116;
constexpr size_t ExtraFlagsField = 242;
constexpr size_t DecodedRecordMax = 4096;

void Put16(std::vector<unsigned char>& bytes, uint32_t value) {
    bytes.push_back(static_cast<unsigned char>(value >> 8));
    bytes.push_back(static_cast<unsigned char>(value));
}

void Put32(std::vector<unsigned char>& bytes, uint32_t value) {
    Put16(bytes, value >> 16);
    Put16(bytes, value & 0xFFFF);
}

void PutTag(std::vector<unsigned char>& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

// Every code is 8 bits long, and each table entry says so and that the code ends there: code c
// (the first byte of the 32 bits read) gives symbol 255 - c, from the entry's maximal code. The
// record ends with room for the same tables little-endian, which libmobi skips but expects.
std::vector<unsigned char> HuffRecord() {
    constexpr uint32_t HeaderLength = 24;
    constexpr uint32_t CodeLength = 8;
    constexpr uint32_t CodeEnds = 0x80;
    std::vector<unsigned char> huff;
    PutTag(huff, "HUFF");
    Put32(huff, HeaderLength);
    Put32(huff, HeaderLength);           // the code table
    Put32(huff, HeaderLength + 256 * 4); // the minimal and maximal codes, never consulted
    huff.resize(HeaderLength, 0);
    for (int code = 0; code < 256; ++code) {
        Put32(huff, (255u << 8) | CodeEnds | CodeLength);
    }
    huff.resize(huff.size() + 64 * 4, 0);
    huff.resize(huff.size() + 256 * 4 + 64 * 4, 0);
    return huff;
}

// Symbol i is the byte 255 - i, stored as it is (the high bit of its length).
std::vector<unsigned char> CdicRecord() {
    constexpr uint32_t HeaderLength = 16;
    constexpr uint32_t Stored = 0x8000;
    std::vector<unsigned char> cdic;
    PutTag(cdic, "CDIC");
    Put32(cdic, HeaderLength);
    Put32(cdic, 256);
    Put32(cdic, 8);
    for (uint32_t symbol = 0; symbol < 256; ++symbol) {
        Put16(cdic, 256 * 2 + 3 * symbol);
    }
    for (uint32_t symbol = 0; symbol < 256; ++symbol) {
        Put16(cdic, Stored | 1);
        cdic.push_back(static_cast<unsigned char>(255 - symbol));
    }
    return cdic;
}

} // namespace

std::vector<unsigned char> RecompressAsHuffCdic(const std::vector<unsigned char>& bytes) {
    PalmBook book(bytes);
    const auto records = book.Records();
    if (records.empty()) {
        return {};
    }
    const uint32_t record0 = records[0].first;
    const auto field16 = [&book, record0](size_t at) {
        return static_cast<uint16_t>((book.Bytes[record0 + at] << 8) |
                                     book.Bytes[record0 + at + 1]);
    };
    if (field16(CompressionField) != MOBI_COMPRESSION_PALMDOC) {
        return {};
    }
    const uint16_t extraFlags = field16(ExtraFlagsField);
    const auto [first, count] = book.TextRecords();
    for (size_t index = first; index < first + count && index < records.size(); ++index) {
        const auto [offset, length] = book.Records()[index];
        std::vector<unsigned char> record(book.Bytes.begin() + offset,
                                          book.Bytes.begin() + offset + length);
        MOBIPdbRecord view = {};
        view.data = record.data();
        view.size = record.size();
        const size_t extra = mobi_get_record_extrasize(&view, extraFlags);
        if (extra == MOBI_NOTSET || extra > record.size()) {
            return {};
        }
        // With one code per byte, the coded record is its decoded text.
        std::vector<unsigned char> coded(DecodedRecordMax);
        size_t decoded = coded.size();
        if (mobi_decompress_lz77(coded.data(), record.data(), &decoded, record.size() - extra) !=
            MOBI_SUCCESS) {
            return {};
        }
        coded.resize(decoded);
        coded.insert(coded.end(), record.end() - static_cast<long>(extra), record.end());
        book.ResizeRecord(index, coded.size());
        std::copy(coded.begin(), coded.end(), book.Bytes.begin() + book.Records()[index].first);
    }
    const uint32_t huffRecord = static_cast<uint32_t>(book.RecordCount());
    book.AppendRecord(HuffRecord());
    book.AppendRecord(CdicRecord());
    book.SetRecord0Field16(CompressionField, MOBI_COMPRESSION_HUFFCDIC);
    book.SetRecord0Field32(HuffRecordField, huffRecord);
    book.SetRecord0Field32(HuffCountField, 2);
    return book.Bytes;
}
