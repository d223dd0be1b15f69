// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's metadata, read once for every reader of it: the filter's values, the property
// handler's properties and a preview's details come from here. Strings are UTF-8, as libmobi
// decodes EXTH records.
#pragma once

#include "book/metadata/BookPropertyTable.h"
#include "platform/UniqueAny.h"

#include <mobi.h>

// The string `row` takes its value from: every EXTH record of its tag, joined by "; " as
// libmobi's getters join them; for the title, else the full name in record 0, else the Palm
// database name (mobi_meta_get_title's order); for the language, else the name of the MOBI
// header's locale (mobi_meta_get_language's order). Null when the book has none, and for the
// text.
MallocedString BookValueString(const MOBIData* book, const BookPropertyRow& row);
