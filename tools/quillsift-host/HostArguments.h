// SPDX-License-Identifier: LGPL-3.0-or-later
// What quillsift-host's commands read from their arguments: option names and numbers.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

// Whether `argument` is `name` (ASCII), unit for unit.
bool Equals(const WCHAR* argument, const char* name);

// Decimal digits from `text` up to `end` (the terminator, or a separator such as 'x'), a
// number from 1 to `limit`; `text` is left at `end`. False for anything else.
bool ParseNumber(const WCHAR*& text, WCHAR end, uint64_t limit, uint64_t& value);
