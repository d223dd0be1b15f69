// SPDX-License-Identifier: LGPL-3.0-or-later
// Where a book's halves start and how many text records each has, as libmobi reads them.
#pragma once

#include "book/load/RecordStore.h"

#include <mobi.h>

#include <cstddef>

// A book has one half (the word for a book of one format too), or two when it is a KF7/KF8
// hybrid: record 0 and its text records 1..n, then the BOUNDARY record, the KF8 record 0 and its
// text records.
struct BookHalves {
    static constexpr size_t None = ~size_t{0};
    // Records that follow one another.
    struct Records {
        size_t First = None;
        size_t Count = 0;
    };
    struct Half {
        size_t Record0 = None;
        size_t TextRecords = 0;
        // What its text needs beside the text records, as its MOBI header names them: the HUFF
        // and CDIC records of a Huffman-compressed text, the FDST record, and the first record
        // of the skeleton and of the fragment index (IndexRecords tells the rest).
        Records Huffman;
        size_t Fdst = None;
        size_t Skeleton = None;
        size_t Fragments = None;
    };
    Half First;
    Half Kf8;               // Record0 None: no KF8 half
    size_t Boundary = None; // the BOUNDARY record of a hybrid; alone, with no KF8 half, when
                            // the KF8 record 0 lies past the table's end

    // The half whose text libmobi reads: a hybrid's KF8 half.
    const Half& TextHalf() const { return Kf8.Record0 != None ? Kf8 : First; }
};

// Has libmobi load views of the book that show record 0, then (when EXTH 121 names a record
// after a BOUNDARY record) that record and the KF8 record 0: reads those records whole into
// the store and nothing else. The result is libmobi's: a load that fails here fails for the
// whole book too.
MOBI_RET FindBookHalves(RecordStore& store, BookHalves& halves);

// The records of the index whose INDX record is `first`: it, and as many as its header counts
// after it (at 24), as far as the book has records. Reads (and keeps) that count's bytes.
BookHalves::Records IndexRecords(RecordStore& store, size_t first);
