// SPDX-License-Identifier: LGPL-3.0-or-later
// The year of a book's publication date.
#pragma once

#include "platform/Platform.h"

// The first four characters of `date` (EXTH 106, as the book gives it: "2024-03-15",
// "2024-03-15T00:00:00+00:00", "1999"), when they are ASCII digits giving 1000 or more.
bool ReadBookYear(const char* date, ULONG* year);
