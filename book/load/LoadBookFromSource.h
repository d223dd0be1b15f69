// SPDX-License-Identifier: LGPL-3.0-or-later
// libmobi's load of a book from a source of our own instead of a file.
#pragma once

#include "book/load/StdioSource.h"

#include <mobi.h>

// libmobi's load with its fread, fseek and ftell served by `source` on this thread. The linker
// wraps those three calls in every program that links libmobi (cmake/LibmobiStdio.cmake); the
// wrappers, here, serve the load's own handle from `source` and pass every other FILE to the
// C library.
MOBI_RET LoadBookFromSource(MOBIData* book, StdioSource& source);
