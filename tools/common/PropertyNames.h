// SPDX-License-Identifier: LGPL-3.0-or-later
// The canonical names of the properties the book's property handler gives, from a table of the
// tools' own (Wine's PSGetNameFromPropertyKey is a stub that aborts).
#pragma once

#include "platform/Platform.h"

// "System.Title" and so on; null for a key the table does not hold.
const char* CanonicalPropertyName(const PROPERTYKEY& key);
