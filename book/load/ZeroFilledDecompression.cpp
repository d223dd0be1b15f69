// SPDX-License-Identifier: LGPL-3.0-or-later
// libmobi 0.11 decompresses each text record into a buffer it takes from malloc and does not
// clear. A PalmDOC back-reference of distance 0 (or one that reaches before what the record has
// written so far, within the buffer) copies bytes of that buffer that nothing wrote: whatever
// the heap held, in a host that reads book after book possibly the text of another book. The
// linker wraps libmobi's two per-record decompressors (cmake/LibmobiDecompression.cmake): the
// wrappers clear the whole output buffer before the real decompressor writes it, so that such a
// reference reads zeros, the same in every build and every run, and the text ends there.
#include <mobi.h>

#include <cstddef>
#include <cstring>

// Global in libmobi 0.11's static library, declared in its private compression.h only; the
// build checks that the archive defines both and that its text decompression calls them from
// another object file, where the wrapping reaches the call.
struct MOBIHuffCdic;

extern "C" {

MOBI_RET __real_mobi_decompress_lz77(unsigned char* out, const unsigned char* in, size_t* outLength,
                                     size_t inLength);
MOBI_RET __real_mobi_decompress_huffman(unsigned char* out, const unsigned char* in,
                                        size_t* outLength, size_t inLength,
                                        const MOBIHuffCdic* tables);

MOBI_RET __wrap_mobi_decompress_lz77(unsigned char* out, const unsigned char* in, size_t* outLength,
                                     size_t inLength) {
    if (out != nullptr && outLength != nullptr) {
        std::memset(out, 0, *outLength);
    }
    return __real_mobi_decompress_lz77(out, in, outLength, inLength);
}

MOBI_RET __wrap_mobi_decompress_huffman(unsigned char* out, const unsigned char* in,
                                        size_t* outLength, size_t inLength,
                                        const MOBIHuffCdic* tables) {
    if (out != nullptr && outLength != nullptr) {
        std::memset(out, 0, *outLength);
    }
    return __real_mobi_decompress_huffman(out, in, outLength, inLength, tables);
}

} // extern "C"
