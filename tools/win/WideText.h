// The zero-terminated UTF-16 strings the Windows host meets (arguments, registry values,
// version strings), measured and turned into UTF-8 for its output.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <string>

size_t WideLength(const WCHAR* text);

// A lone surrogate becomes U+FFFD.
std::string ToUtf8(const WCHAR* text);
