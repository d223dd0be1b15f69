// Presents a COM stream to libmobi, which reads books from a C stdio stream.
#pragma once

#include "platform/Platform.h"

#include <cstdio>

// The stream is read in blocks of this many bytes.
constexpr ULONG StreamFileBlockSize = 64 * 1024;

// Opens a read-only FILE over the stream, which stands at its start. With the GNU C library
// the FILE's reads become the stream's Read calls, one block at a time from where the
// reading goes, and its seeks move within the stream; with the Windows C runtime the stream
// is copied, block by block, into a temporary file first. Either way nothing else of the
// stream is used (never Stat, never a write).
// The FILE borrows the stream: closing it leaves the stream's references as they were.
// Null when no FILE can be made.
FILE* OpenStreamAsFile(IStream* stream);
