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
