// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/BookHtmlParts.h"

#include "book/load/MobiHolders.h"
#include "book/load/OpenBook.h"
#include "book/markup/MarkupToText.h"
#include "platform/UniqueAny.h"
#include "platform/text/Utf16Length.h"
#include "tests/support/RecordingStream.h"

namespace {

std::vector<HtmlPart> HtmlParts(const std::vector<unsigned char>& bytes, bool* rebuilt,
                                bool encryptedToo) {
    std::vector<HtmlPart> parts;
    *rebuilt = false;
    RecordingStream stream(bytes);
    OpenedBook opened;
    const MobiBook& book = opened.Book;
    if (OpenBook(&stream, OpenFor::Rebuilding, opened) != S_OK ||
        (!encryptedToo && book->rh != nullptr && book->rh->encryption_type != 0)) {
        return parts;
    }
    MobiMarkup markup(mobi_init_rawml(book.Get()));
    if (!markup ||
        mobi_parse_rawml_opt(markup.Get(), book.Get(), false, false, false) != MOBI_SUCCESS) {
        return parts;
    }
    *rebuilt = true;
    for (const MOBIPart* part = markup->markup; part != nullptr; part = part->next) {
        if (part->type == T_HTML && part->data != nullptr && part->size > 0) {
            parts.emplace_back(part->data, part->data + part->size);
        }
    }
    return parts;
}

} // namespace

std::vector<HtmlPart> BookHtmlParts(const std::string& path) {
    return BookHtmlParts(ReadFileBytes(path));
}

std::vector<HtmlPart> BookHtmlParts(const std::vector<unsigned char>& bytes) {
    bool rebuilt = false;
    return HtmlParts(bytes, &rebuilt, true);
}

std::vector<std::u16string> WholeRebuildTexts(const std::vector<unsigned char>& bytes,
                                              bool* rebuilt) {
    std::vector<std::u16string> texts;
    for (const HtmlPart& part : HtmlParts(bytes, rebuilt, false)) {
        size_t length = 0;
        const CoTaskMemPtr<WCHAR> text(
            MarkupToText(part.data(), static_cast<ULONG>(part.size()), &length));
        if (text) {
            texts.emplace_back(reinterpret_cast<const char16_t*>(text.Get()), length);
        }
    }
    return texts;
}
