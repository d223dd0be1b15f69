// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's text records decoded one at a time, each as libmobi's text decompression
// (mobi_decompress_content) decodes it.
#pragma once

#include "book/load/BookRecords.h"
#include "platform/UniqueAny.h"

#include <mobi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// libmobi's tables of a Huffman/CDIC text, which its private headers declare: only the
// decoder's own file sees them.
struct MOBIHuffCdic;
void FreeHuffmanTables(MOBIHuffCdic* tables);
using HuffmanTables = UniqueAny<MOBIHuffCdic*, FreeHuffmanTables>;

// Each record is read from the stream when it is decoded, every byte once: its trailing
// entries left out, a DRM v1 record decrypted, then decompressed by libmobi's own functions
// (PalmDOC or Huffman/CDIC), or copied as it is and, in an old book, without its zero bytes.
// Records holding nothing but trailing entries are skipped. The text ends where libmobi's
// would: after the header's count of records, or at the first record that does not decode or
// takes the text past the largest the header allows.
class TextRecordDecoder {
public:
    TextRecordDecoder() = default;
    TextRecordDecoder(const TextRecordDecoder&) = delete;
    TextRecordDecoder& operator=(const TextRecordDecoder&) = delete;

    // Prepares to decode the text records of `book` (libmobi's, its text part current), which
    // `records` reads: the header's limits, the Huffman tables, the buffers, all made here.
    // What libmobi's text decompression answers before its first record: MOBI_SUCCESS, or why
    // the book's text cannot be read at all.
    MOBI_RET Open(const MOBIData* book, BookRecords& records);

    // The most bytes one record decodes to: the room `into` needs.
    size_t MaxRecordLength() const { return MaxDecoded; }
    // Decodes the next record that holds text into `into`, `*length` bytes. False at the end
    // of the text, or where a record fails (Failed).
    bool Next(unsigned char* into, size_t* length);
    bool Failed() const { return Failure; }
    // Back before the first text record.
    void Rewind();

private:
    // Reads and decodes `record` into `into`; false when it fails.
    bool Decode(size_t record, unsigned char* into, size_t* length);
    // Decrypts the record's bytes (those before its trailing entries) in place, as libmobi
    // does; `*extra` becomes the trailing entries' length read from the decrypted bytes.
    bool Decrypt(MOBIPdbRecord& record, size_t* extra);

    const MOBIData* Book = nullptr;
    BookRecords* Records = nullptr;
    size_t First = 0;
    size_t Count = 0;
    uint16_t Compression = 0;
    uint16_t ExtraFlags = 0;
    bool Encrypted = false;
    // An old book's uncompressed records lose their zero bytes.
    bool RemovesZeros = false;
    HuffmanTables Huffman;
    size_t MaxDecoded = 0;
    // The most text the header allows, and how much the records decoded so far gave.
    size_t MaxText = 0;
    size_t Decoded = 0;
    // The next record, counted from the first text record.
    size_t Index = 0;
    bool Failure = false;
    // A record as read, and the room its decryption needs.
    std::unique_ptr<unsigned char[]> Raw;
    std::unique_ptr<unsigned char[]> Decrypted;
};
