// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-dump --properties: one book's property store, made through the library's class
// factory for the property handler as a shell host makes it, printed as one JSON object.
#pragma once

#include "tools/common/ByteSink.h"
#include "tools/quillsift-dump/FilterLibrary.h"

#include <string>

// ExitAllLoaded when the object was written; ExitSomeFailed when the book could not be opened
// or bound or the output could not be written. `message` says why it failed, or what the
// module says of a damaged book that it still read; empty otherwise.
int DumpProperties(const FilterEntryPoints& entryPoints, const std::string& path, ByteSink& out,
                   std::string& message);
