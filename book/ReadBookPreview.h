// SPDX-License-Identifier: LGPL-3.0-or-later
// What the preview pane shows of a book, read from its stream: the preview handler's one read
// of the book, which the tests, the benchmarks and the pipeline fuzzer make too.
#pragma once

#include "book/preview/PreviewContent.h"
#include "platform/Platform.h"

// Reads the book's headers and cover (PreviewContent::ReadBook), then, when its text can be
// read, its first pages from a book filter bound to the same stream (CFilterSample, driven
// chunk by chunk and released once it has given enough), and makes the page. A book that does
// not load, or whose text does not, still makes a page. S_OK or E_OUTOFMEMORY.
HRESULT ReadBookPreview(IStream* stream, PreviewContent& content);
