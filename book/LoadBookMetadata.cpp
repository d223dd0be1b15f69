// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/LoadBookMetadata.h"

#include "book/LoadBookFromStream.h"

MOBI_RET LoadBookMetadata(MOBIData* book, IStream* stream) {
    return LoadBookHeadersFromStream(book, stream);
}
