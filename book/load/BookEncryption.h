// SPDX-License-Identifier: LGPL-3.0-or-later
// Whether a loaded book's text is locked away by DRM.
#pragma once

#include <mobi.h>

// A Mobipocket book whose record 0 says encryption type 1 or 2: its text needs a key the book
// does not carry. (A PalmDOC book of DRM v1 carries its key, which libmobi finds by itself.)
bool IsTextEncrypted(const MOBIData* book);

// A PalmDOC record 0 keeps the high half of the reading position where libmobi reads the
// encryption type, so a book last read at 64 KiB or more looks encrypted. Without a Mobipocket
// header only DRM v1 exists: its 16-byte key sits at offset 14 of record 0, and libmobi finds
// it and decrypts by itself. Type 2, or type 1 in a record 0 too short for the key, is a
// reading position: this sets it to none, so that the text is read as plain.
void ClearReadingPositionAsEncryption(MOBIData* book);
