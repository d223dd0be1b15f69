// SPDX-License-Identifier: LGPL-3.0-or-later
// The names of the properties the filter and the property handler give, from the book's table
// of them (book/metadata/BookPropertyTable.h): Wine's PSGetNameFromPropertyKey is a stub that
// aborts.
#pragma once

#include "platform/Platform.h"

// "System.Title" and so on; null for a key the table does not hold.
const char* CanonicalPropertyName(const PROPERTYKEY& key);

// The name of a property the filter hands out, as Windows shows it ("Title", "Author",
// "Publisher", "Keywords", "Comment", "Date released", "Language", "Contents"), else null.
const char* KnownPropertyName(const FULLPROPSPEC& property);
