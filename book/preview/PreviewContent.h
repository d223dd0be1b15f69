// SPDX-License-Identifier: LGPL-3.0-or-later
// What the preview pane shows of one book, read from its stream and made into the page the
// window draws: the cover, the title, the authors, a line of facts, the description, then the
// first pages of the text in paragraphs; an encrypted book its details and a line saying its
// text is encrypted; a book without text (or whose text does not load) its details and a line
// saying so; a file that does not load a line saying so. No page is blank.
#pragma once

#include "book/cover/BookCoverPicture.h"
#include "book/preview/PreviewDetails.h"
#include "book/preview/PreviewFace.h"
#include "book/preview/PreviewText.h"
#include "platform/Platform.h"
#include "platform/PreviewPage.h"
#include "platform/UniqueAny.h"

class PreviewContent {
public:
    PreviewContent() = default;
    PreviewContent(const PreviewContent&) = delete;
    PreviewContent& operator=(const PreviewContent&) = delete;

    // Reads the book's headers from `stream`, wherever it stands: its details, its locale,
    // whether its text is encrypted, and its cover (the cover record alone). S_OK; S_FALSE when
    // the book does not load, which the page will say; E_OUTOFMEMORY.
    HRESULT ReadBook(IStream* stream);
    // Whether there is text to read: the book loaded and is not encrypted.
    bool HasReadableText() const { return Loaded && !Encrypted; }
    // The first pages, from the book filter bound to the same book (ReadPreviewText).
    HRESULT ReadText(IFilter* filter) { return ReadPreviewText(filter, PreviewTextBudget, Text); }
    // Makes the page of what was read. S_OK or E_OUTOFMEMORY.
    HRESULT MakePage();
    // Chooses the faces of the page's lines for a pane whose own face is `paneFace`
    // (ChoosePreviewFaces).
    void ChooseFaces(const WCHAR* paneFace, FaceGlyphFinder find);

    // Valid once made, while this lives and reads nothing more.
    const PreviewPage& Page() const { return Made; }
    // The book's locale (BookLocale); 0 when it did not load or does not say.
    LCID Locale() const { return BookLocaleId; }

private:
    bool Loaded = false;
    bool Encrypted = false;
    LCID BookLocaleId = 0;
    PreviewDetails Details;
    BookCoverPicture Cover;
    PreviewText Text;
    CoTaskMemPtr<PreviewLine> Lines;
    PreviewPage Made;
};
