// SPDX-License-Identifier: LGPL-3.0-or-later
// The choice of a book's text reader, for every reader of a book's text (the filter, the
// preview).
#pragma once

#include "book/load/OpenBook.h"
#include "book/text/TextSource.h"

#include <memory>

// The text of the book `opened` (for OpenFor::PartByPart) from `stream`, which both outlive
// it: read part by part when it can be, else rebuilt whole by libmobi from the book opened
// again for that, which then takes the place of `opened`. Reads no text yet. S_OK with `text`;
// S_FALSE and no `text` when the text is encrypted with DRM; E_OUTOFMEMORY; E_FAIL when the book
// opened again does not load, and `opened.Condition` then says why.
HRESULT OpenTextSource(IStream* stream, OpenedBook& opened, std::unique_ptr<TextSource>& text);
