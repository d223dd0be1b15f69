// SPDX-License-Identifier: LGPL-3.0-or-later
// The locale that every chunk of a book carries: the host picks its word breaker and its
// noise words by it.
#pragma once

#include "platform/Platform.h"

#include <mobi.h>

#include <cstddef>

// The MOBI header's locale field (a Windows language id) when libmobi knows it; otherwise the
// locale of the language libmobi gives the book (EXTH 524), 0 when it has none. A language
// without a sublanguage gets its default one.
LCID BookLocale(const MOBIData* book);

// A locale number as the MOBI header or libmobi writes it, made specific: a bare primary
// language gets its default sublanguage, as Windows' own filters report it and as the indexer's
// language table is keyed (9 becomes 0x0409, 17 0x0411, Chinese 4 becomes 0x0804).
LCID WithDefaultSublanguage(size_t locale);
