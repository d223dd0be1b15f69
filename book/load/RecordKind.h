// SPDX-License-Identifier: LGPL-3.0-or-later
// What a record beyond a book's text is, told from its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Pictures, fonts, audio, video and embedded sources are what no reader of text or metadata
// needs; everything else (FDST, INDX, FLIS, FCIS, DATP, RESC, HUFF, CDIC, BOUNDARY, the end
// mark, bytes of no known kind) is Needed.
enum class RecordKind { Needed, Picture, Font, Audio, Video, Source };

// How many first bytes ClassifyRecord looks at: a PNG's signature is the longest.
constexpr size_t RecordKindBytes = 8;

// The kind of a record of `size` bytes whose first min(size, RecordKindBytes) bytes are
// `start`. The signatures are those libmobi's resource detection knows (a BMP only when its
// declared length is the record's; a GIF by its whole signature, GIF87a or GIF89a, where
// libmobi looks at "GIF8"), plus the SRCS and CMET archives libmobi extracts. A Picture is
// one the shell's decoders read: the cover is one. Never for the text records of a part:
// compressed text may start with any bytes.
RecordKind ClassifyRecord(const unsigned char* start, size_t length, uint64_t size);
