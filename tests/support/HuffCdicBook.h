// SPDX-License-Identifier: LGPL-3.0-or-later
// A book whose text is compressed with Huffman/CDIC, derived from a PalmDOC-compressed one: the
// writers of the test books compress with PalmDOC alone, and libmobi reads Huffman/CDIC through
// tables of its own (the HUFF and CDIC records) with allocations of their own.
#pragma once

#include <vector>

// `book` (a KF7 book without a KF8 half, its text PalmDOC-compressed) with each text record
// decoded by libmobi and coded again with a Huffman table of one 8-bit code per byte value and
// a dictionary of one-byte phrases: the same text, each record's trailing entries as they were,
// a HUFF and a CDIC record after the last record, record 0 naming them. Empty when `book` is not
// such a book.
std::vector<unsigned char> RecompressAsHuffCdic(const std::vector<unsigned char>& book);
