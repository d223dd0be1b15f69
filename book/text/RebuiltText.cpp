// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/RebuiltText.h"

#include "book/markup/MarkupToText.h"

namespace {

// libmobi's rebuilding of `book`'s parts into `markup`. The text needs no reconstruction for
// export (package metadata, links, embedded resources). That step writes its XML with libxml2
// and ends with xmlCleanupParser, which frees libxml2's global state under every other thread
// of the host using it: filter objects run side by side in one process. Without it the table of
// contents and the dictionary's indexes go unread (only the package and the links read them):
// the parts are the same, and a book whose NCX is damaged or cut off still gives them.
MOBI_RET RebuildParts(MOBIRawml* markup, const MOBIData* book) {
    return markup != nullptr ? mobi_parse_rawml_opt(markup, book, false, false, false)
                             : MOBI_MALLOC_FAILED;
}

} // namespace

HRESULT RebuiltText::Open(IStream* stream, OpenedBook& opened) {
    Stream = stream;
    CutShort = opened.Condition.Fault == BookFault::CutShort;
    Opened = &opened;
    opened = OpenedBook();
    return OpenBook(stream, OpenFor::Rebuilding, opened);
}

void RebuiltText::Rebuild() {
    Rebuilt = true;
    Markup.Reset(mobi_init_rawml(Opened->Book.Get()));
    Failure = RebuildParts(Markup.Get(), Opened->Book.Get());
    if (Failure == MOBI_SUCCESS) {
        Ended = TextReadToItsEnd(Opened->Book.Get(), Opened->Records->Count(),
                                 Opened->Condition.Kf7Half);
        NextHtml = Markup->markup;
        return;
    }
    Ended = TextOutcome::None;
    // A hybrid cut short keeps its KF8 record 0, but libmobi cannot rebuild a KF8 text whose
    // records (its FDST, its indexes) were cut off: its KF7 half, before the boundary, holds
    // the whole text.
    if (!CutShort || !mobi_is_hybrid(Opened->Book.Get()) ||
        OpenBook(Stream, OpenFor::Rebuilding, Kf7Half, HybridHalf::Kf7) != S_OK) {
        return;
    }
    Markup.Reset(mobi_init_rawml(Kf7Half.Book.Get()));
    if (RebuildParts(Markup.Get(), Kf7Half.Book.Get()) == MOBI_SUCCESS) {
        Ended = TextOutcome::Kf7Half;
        NextHtml = Markup->markup;
    }
}

bool RebuiltText::NextPart() {
    if (!Rebuilt) {
        Rebuild();
    }
    Text.Reset();
    TextGiven = true;
    while (NextHtml != nullptr) {
        const MOBIPart* part = NextHtml;
        NextHtml = part->next;
        if (part->type != T_HTML || part->data == nullptr || part->size == 0 ||
            part->data[0] == 0 || part->size > 0xFFFFFFFFu) {
            continue;
        }
        Text.Reset(MarkupToText(reinterpret_cast<const char*>(part->data),
                                static_cast<ULONG>(part->size), &TextLength));
        // Null is memory running out, which the reader's caller sees counted.
        TextGiven = !Text || TextLength == 0;
        return static_cast<bool>(Text);
    }
    return false;
}

bool RebuiltText::NextRun(const WCHAR** units, size_t* count) {
    if (TextGiven) {
        return false;
    }
    TextGiven = true;
    *units = Text.Get();
    *count = TextLength;
    return true;
}
