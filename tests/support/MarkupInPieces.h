// SPDX-License-Identifier: LGPL-3.0-or-later
// An HTML part converted as a reader of records converts it, in pieces: what the tests and the
// markup fuzzer hold against the conversion of the whole part.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The part handed over in pieces that end before `cuts` (ascending; a piece longer than
// MarkupStream takes at once goes in several), each in a heap block of exactly its size: a first
// pass for the body marker, then the pieces from it on. The text up to its first zero unit.
std::u16string ConvertInPieces(const std::string& part, const std::vector<size_t>& cuts);
