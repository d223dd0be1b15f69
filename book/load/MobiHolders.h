// SPDX-License-Identifier: LGPL-3.0-or-later
// Owners of libmobi's records, each released with the library's own operation.
#pragma once

#include "platform/UniqueAny.h"

#include <mobi.h>

using MobiBook = UniqueAny<MOBIData*, mobi_free>;
using MobiMarkup = UniqueAny<MOBIRawml*, mobi_free_rawml>;
