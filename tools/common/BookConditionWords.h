// SPDX-License-Identifier: LGPL-3.0-or-later
// What the module says is wrong with a book, asked of the object that read it: the tools never
// read a book's file themselves.
#pragma once

#include "platform/Platform.h"

#include <string>

// The words of `object`'s IBookCondition in UTF-8: why its binding failed, or what a damaged
// book still gave. Empty when it has nothing to say, has no such face, or is null.
std::string BookConditionWords(IUnknown* object);

// What a tool says when memory ran out, in the module or in the tool itself.
inline constexpr char OutOfMemoryWords[] = "out of memory";

// A line of a tool about a book that gave nothing: the module's words and the code, "empty file
// (0x80004005)", or when the module has no words, "out of memory" for E_OUTOFMEMORY and
// `fallback` for any other code.
std::string FailureWords(const std::string& words, const char* fallback, HRESULT code);
