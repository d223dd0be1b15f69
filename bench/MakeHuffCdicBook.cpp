// SPDX-License-Identifier: LGPL-3.0-or-later
// Writes the Huffman/CDIC copy of a PalmDOC-compressed KF7 book (tests/support/HuffCdicBook.h),
// for the runs of whole processes that want such a book as a file:
//   make_huffcdic_book IN.mobi OUT.mobi
#include "tests/support/HuffCdicBook.h"
#include "tests/support/RecordingStream.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_huffcdic_book IN.mobi OUT.mobi\n");
        return 2;
    }
    const std::vector<unsigned char> copy = RecompressAsHuffCdic(ReadFileBytes(argv[1]));
    FILE* out = copy.empty() ? nullptr : std::fopen(argv[2], "wb");
    if (out == nullptr || std::fwrite(copy.data(), 1, copy.size(), out) != copy.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "make_huffcdic_book: cannot make %s from %s\n", argv[2], argv[1]);
        return 1;
    }
    return 0;
}
