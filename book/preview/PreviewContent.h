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
#include "book/preview/PreviewPage.h"
#include "book/preview/PreviewText.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

class PreviewContent {
public:
    PreviewContent() = default;
    PreviewContent(const PreviewContent&) = delete;
    PreviewContent& operator=(const PreviewContent&) = delete;

    // Reads what the pane shows of the book on `stream`, from one opening of the book
    // (OpenBook for reading part by part): its details, its locale, whether its text is
    // encrypted, its cover (the cover record alone) and its first pages (ReadPreviewText, from
    // its text source), then makes the page. A book that does not load, or whose text does
    // not, still makes a page: S_OK; E_OUTOFMEMORY when an allocation failed meanwhile, the
    // page then showing nothing.
    HRESULT Read(IStream* stream);
    // Chooses the faces of the page's lines for a pane whose own face is `paneFace`
    // (ChoosePreviewFaces).
    void ChooseFaces(const WCHAR* paneFace, FaceGlyphFinder find);

    // Valid once made, while this lives and reads nothing more.
    const PreviewPage& Page() const { return Made; }
    // The book's locale (BookLocale); 0 when it did not load or does not say.
    LCID Locale() const { return BookLocaleId; }
    // What was wrong with the book's file, and whether it loaded.
    const BookCondition& Condition() const { return Found; }
    bool Loaded() const { return BookLoaded; }

private:
    HRESULT ReadBook(IStream* stream);
    // Makes the page of what was read. S_OK or E_OUTOFMEMORY.
    HRESULT MakePage();

    bool BookLoaded = false;
    BookCondition Found;
    bool Encrypted = false;
    LCID BookLocaleId = 0;
    PreviewDetails Details;
    BookCoverPicture Cover;
    PreviewText Text;
    CoTaskMemPtr<PreviewLine> Lines;
    PreviewPage Made;
};
