// SPDX-License-Identifier: LGPL-3.0-or-later
// Whether a loaded book's text is locked away by DRM.
#pragma once

#include <mobi.h>

// A Mobipocket book whose record 0 says encryption type 1 or 2: its text needs a key the book
// does not carry. (A PalmDOC book of DRM v1 carries its key, which libmobi finds by itself.)
bool IsTextEncrypted(const MOBIData* book);
