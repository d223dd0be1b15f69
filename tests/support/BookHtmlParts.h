// SPDX-License-Identifier: LGPL-3.0-or-later
// The HTML parts of a book as the filter converts them: loaded through the stream adapter and
// parsed as the filter asks libmobi to (no rebuild for export), in the order of the part list.
#pragma once

#include <string>
#include <vector>

using HtmlPart = std::vector<char>;

// Every HTML part that has data (the filter passes over one without); empty when the book does not
// load or parse.
std::vector<HtmlPart> BookHtmlParts(const std::string& path);
std::vector<HtmlPart> BookHtmlParts(const std::vector<unsigned char>& bytes);

// The text chunks of a book as libmobi's whole rebuilding of its markup gives them, each part
// converted whole (MarkupToText), up to its first zero unit: what the filter's text read part by
// part must give. `rebuilt` is false, and nothing returned, when the book does not load or
// parse, or says it is encrypted (the filter has rules of its own for those).
std::vector<std::u16string> WholeRebuildTexts(const std::vector<unsigned char>& bytes,
                                              bool* rebuilt);
