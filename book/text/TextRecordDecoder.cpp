// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/TextRecordDecoder.h"

#include "book/text/LibmobiInternals.h"
#include "platform/AllocationFailures.h"

#include <cstring>
#include <new>

void FreeHuffmanTables(MOBIHuffCdic* tables) {
    mobi_free_huffcdic(tables);
}

MOBI_RET TextRecordDecoder::Open(const MOBIData* book, BookRecords& records) {
    Book = book;
    Records = &records;
    Index = 0;
    Decoded = 0;
    Failure = false;
    if (mobi_is_encrypted(book) && !mobi_has_drmkey(book)) {
        return MOBI_FILE_ENCRYPTED;
    }
    if (book->rh == nullptr || book->rh->text_record_count == 0) {
        return MOBI_DATA_CORRUPT;
    }
    First = 1 + mobi_get_kf8offset(book);
    Count = book->rh->text_record_count;
    Compression = book->rh->compression_type;
    ExtraFlags =
        book->mh != nullptr && book->mh->extra_flags != nullptr ? *book->mh->extra_flags : 0;
    Encrypted = mobi_is_encrypted(book);
    RemovesZeros = mobi_exists_mobiheader(book) && mobi_get_fileversion(book) <= 3;
    // The whole text's buffer in libmobi: the declared text must fit it.
    MaxText = mobi_get_text_maxsize(book);
    if (MaxText == MOBI_NOTSET) {
        return MOBI_DATA_CORRUPT;
    }
    if (book->rh->text_length > MaxText) {
        return MOBI_PARAM_ERR;
    }
    if (Compression == MOBI_COMPRESSION_HUFFCDIC) {
        Huffman.Reset(mobi_init_huffcdic());
        if (!Huffman) {
            return MOBI_MALLOC_FAILED;
        }
        const MOBI_RET parsed = mobi_parse_huffdic(book, Huffman.Get());
        if (parsed != MOBI_SUCCESS) {
            return parsed;
        }
    }
    MaxDecoded = mobi_get_textrecord_maxsize(book);
    uint64_t largest = 0;
    for (size_t i = 0; i < Count && First + i < records.Count(); ++i) {
        const uint64_t size = records.Size(First + i);
        largest = size > largest ? size : largest;
    }
    if (largest > SIZE_MAX / 2) {
        return MOBI_MALLOC_FAILED;
    }
    Raw.reset(NewArray<unsigned char>(static_cast<size_t>(largest) + 1));
    if (!Raw) {
        return MOBI_MALLOC_FAILED;
    }
    if (Encrypted) {
        Decrypted.reset(NewArray<unsigned char>(static_cast<size_t>(largest) + 1));
        if (!Decrypted) {
            return MOBI_MALLOC_FAILED;
        }
    }
    return MOBI_SUCCESS;
}

void TextRecordDecoder::Rewind() {
    Index = 0;
    Decoded = 0;
    Failure = false;
}

bool TextRecordDecoder::Next(unsigned char* into, size_t* length) {
    while (!Failure && Index < Count && First + Index < Records->Count()) {
        const size_t record = First + Index++;
        if (!Decode(record, into, length)) {
            Failure = true;
            return false;
        }
        // A record of trailing entries alone, or one that decompressed to nothing, gives no
        // text and ends none.
        if (*length > 0) {
            return true;
        }
    }
    return false;
}

bool TextRecordDecoder::Decode(size_t index, unsigned char* into, size_t* length) {
    *length = 0;
    MOBIPdbRecord record = {};
    record.size = static_cast<size_t>(Records->Size(index));
    record.data = Raw.get();
    if (Records->Read(index, 0, Raw.get(), record.size) != record.size) {
        return false;
    }
    size_t extra = 0;
    if (ExtraFlags != 0) {
        extra = mobi_get_record_extrasize(&record, ExtraFlags);
        if (extra == MOBI_NOTSET) {
            return false;
        }
    }
    if (Encrypted && !Decrypt(record, &extra)) {
        return false;
    }
    if (extra > record.size) {
        return false;
    }
    if (extra == record.size) {
        // Trailing entries alone: libmobi skips the record.
        return true;
    }
    const size_t recordSize = record.size - extra;
    size_t decoded = MaxDecoded;
    switch (Compression) {
    case MOBI_COMPRESSION_NONE:
        if (recordSize > MaxDecoded) {
            return false;
        }
        std::memcpy(into, record.data, recordSize);
        decoded = recordSize;
        if (RemovesZeros) {
            mobi_remove_zeros(into, &decoded);
        }
        break;
    case MOBI_COMPRESSION_PALMDOC:
        if (mobi_decompress_lz77(into, record.data, &decoded, recordSize) != MOBI_SUCCESS) {
            return false;
        }
        break;
    case MOBI_COMPRESSION_HUFFCDIC:
        if (mobi_decompress_huffman(into, record.data, &decoded, recordSize, Huffman.Get()) !=
            MOBI_SUCCESS) {
            return false;
        }
        break;
    default:
        return false;
    }
    // libmobi's buffer for the whole text holds no more than the header allows.
    if (Decoded + decoded > MaxText) {
        return false;
    }
    Decoded += decoded;
    *length = decoded;
    return true;
}

bool TextRecordDecoder::Decrypt(MOBIPdbRecord& record, size_t* extra) {
    if (Compression != MOBI_COMPRESSION_HUFFCDIC) {
        // The multibyte entry is encrypted too.
        *extra = mobi_get_record_extrasize(&record, ExtraFlags & 0xfffe);
    }
    if (*extra == MOBI_NOTSET || *extra > record.size) {
        return false;
    }
    const size_t encrypted = record.size - *extra;
    if (encrypted > 0) {
        if (mobi_buffer_decrypt(Decrypted.get(), record.data, encrypted, Book) != MOBI_SUCCESS) {
            return false;
        }
        std::memcpy(record.data, Decrypted.get(), encrypted);
    }
    if (Compression != MOBI_COMPRESSION_HUFFCDIC && (ExtraFlags & 1) != 0) {
        // The multibyte entry's length, read from the decrypted bytes.
        *extra = mobi_get_record_extrasize(&record, ExtraFlags);
        if (*extra == MOBI_NOTSET) {
            return false;
        }
    }
    return true;
}
