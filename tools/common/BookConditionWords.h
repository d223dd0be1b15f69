// SPDX-License-Identifier: LGPL-3.0-or-later
// What the module says is wrong with a book, asked of the object that read it: the tools never
// read a book's file themselves.
#pragma once

#include "platform/Platform.h"

#include <string>

// The words of `object`'s IBookCondition in UTF-8: why its binding failed, or what a damaged
// book still gave. Empty when it has nothing to say, has no such face, or is null.
std::string BookConditionWords(IUnknown* object);

// A line of a tool about a book that gave nothing: the module's words and the code, "empty file
// (0x80004005)", or `fallback` and the code when the module has no words.
std::string FailureWords(const std::string& words, const char* fallback, HRESULT code);
