// UTF-16 to UTF-8 for the dump's output. The tool prints what the filter hands out, so the
// conversion must accept anything: a surrogate without its partner becomes U+FFFD.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <string>

// Decodes the code point that starts at text[*index] and moves *index past it. A lone
// surrogate gives U+FFFD and consumes one unit.
unsigned long NextCodePoint(const WCHAR* text, size_t length, size_t* index);

// Appends the UTF-8 form of one code point (at most U+10FFFF).
void AppendCodePoint(std::string& out, unsigned long codePoint);

// Appends the UTF-8 form of `length` UTF-16 units.
void AppendUtf8(std::string& out, const WCHAR* text, size_t length);
