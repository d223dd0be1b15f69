// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/BookHtmlParts.h"

#include "book/load/LoadBook.h"
#include "book/load/MobiHolders.h"
#include "tests/support/RecordingStream.h"

std::vector<HtmlPart> BookHtmlParts(const std::string& path) {
    std::vector<HtmlPart> parts;
    RecordingStream stream(ReadFileBytes(path));
    MobiBook book(mobi_init());
    if (!book || LoadBookFromStream(book.Get(), &stream) != MOBI_SUCCESS) {
        return parts;
    }
    MobiMarkup markup(mobi_init_rawml(book.Get()));
    if (!markup ||
        mobi_parse_rawml_opt(markup.Get(), book.Get(), true, true, false) != MOBI_SUCCESS) {
        return parts;
    }
    for (const MOBIPart* part = markup->markup; part != nullptr; part = part->next) {
        if (part->type == T_HTML && part->data != nullptr && part->size > 0) {
            parts.emplace_back(part->data, part->data + part->size);
        }
    }
    return parts;
}
