// SPDX-License-Identifier: LGPL-3.0-or-later
// The functions of libmobi 0.11 that the text read part by part calls and that mobi.h does not
// declare: global in its static library (Debian's libmobi.a, and the mingw-w64 build of the
// same source), declared here as its private headers do (compression.h, encryption.h, index.h,
// memory.h, read.h, util.h). The configuration checks that the archive defines every one of
// them (cmake/LibmobiInternals.cmake); a libmobi of another version must be checked against
// these declarations before it is used.
#pragma once

#include <mobi.h>

#include <cstddef>
#include <cstdint>

struct MOBIHuffCdic;

extern "C" {

// compression.h: one text record, PalmDOC's LZ77 or Huffman/CDIC (both wrapped so that their
// output starts zeroed: book/load/ZeroFilledDecompression.cpp).
MOBI_RET mobi_decompress_lz77(unsigned char* out, const unsigned char* in, size_t* len_out,
                              const size_t len_in);
MOBI_RET mobi_decompress_huffman(unsigned char* out, const unsigned char* in, size_t* len_out,
                                 size_t len_in, const MOBIHuffCdic* huffcdic);
// memory.h and read.h: the HUFF and CDIC records' tables.
MOBIHuffCdic* mobi_init_huffcdic(void);
void mobi_free_huffcdic(MOBIHuffCdic* huffcdic);
MOBI_RET mobi_parse_huffdic(const MOBIData* m, MOBIHuffCdic* cdic);
// encryption.h and util.h: a DRM v1 record decrypted with the key the load found.
MOBI_RET mobi_buffer_decrypt(unsigned char* out, const unsigned char* in, const size_t length,
                             const MOBIData* m);
bool mobi_has_drmkey(const MOBIData* m);
// util.h: the zero bytes old uncompressed records lose, and the conversion of a cp1252 book's
// markup to UTF-8.
void mobi_remove_zeros(unsigned char* buffer, size_t* len);
bool mobi_is_cp1252(const MOBIData* m);
MOBI_RET mobi_cp1252_to_utf8(char* output, const char* input, size_t* outsize, const size_t insize);
// memory.h, index.h and read.h: the skeleton and fragment indexes, and the FDST record.
MOBIIndx* mobi_init_indx(void);
void mobi_free_indx(MOBIIndx* indx);
MOBI_RET mobi_parse_index(const MOBIData* m, MOBIIndx* indx, const size_t indx_record_number);
MOBI_RET mobi_get_indxentry_tagvalue(uint32_t* tagvalue, const MOBIIndexEntry* entry,
                                     const unsigned tag_arr[]);
MOBI_RET mobi_parse_fdst(const MOBIData* m, MOBIRawml* rawml);

} // extern "C"
