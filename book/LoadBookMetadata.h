// SPDX-License-Identifier: LGPL-3.0-or-later
// The load of a book for its metadata alone: what the property handler needs is the Palm
// header, the record table and record 0 (and a hybrid's KF8 record 0).
#pragma once

#include "platform/Platform.h"

#include <mobi.h>

// Loads `book` from `stream`, which stands at its start, far enough for its headers and EXTH
// records: the Palm header, the record table and the parts' record 0 alone
// (LoadBookHeadersFromStream). The result is libmobi's.
MOBI_RET LoadBookMetadata(MOBIData* book, IStream* stream);
