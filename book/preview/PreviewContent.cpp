// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/PreviewContent.h"

#include "book/load/OpenBook.h"
#include "book/metadata/BookLocale.h"
#include "book/preview/ReadingDirection.h"
#include "book/text/OpenTextSource.h"
#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"
#include "platform/text/Utf16Length.h"

namespace {

const WCHAR EncryptedNotice[] =
    UTF16("The text of this book is encrypted (DRM): only its details can be shown.");
const WCHAR UnreadableNotice[] = UTF16("This file could not be read as a Kindle book.");
const WCHAR NoTextNotice[] = UTF16("This book has no text that can be shown.");

bool IsBlank(WCHAR unit) {
    return unit == ' ' || unit == '\t' || unit == '\r' || unit == 0xa0 || unit == 0x3000;
}

// Calls `line` with each paragraph of `text`: the stretches between line feeds, without the
// blanks that lead or trail them, those that are not empty.
template <typename Visit> void ForEachParagraph(const WCHAR* text, size_t length, Visit line) {
    size_t start = 0;
    while (start < length) {
        size_t end = start;
        while (end < length && text[end] != '\n') {
            ++end;
        }
        size_t first = start;
        size_t last = end;
        while (first < last && IsBlank(text[first])) {
            ++first;
        }
        while (last > first && IsBlank(text[last - 1])) {
            --last;
        }
        if (last > first) {
            line(text + first, last - first);
        }
        start = end + 1;
    }
}

} // namespace

HRESULT PreviewContent::Read(IStream* stream) {
    // A page made while an allocation failed may lack its cover, a detail or its text, or say
    // the book could not be read: none is shown instead.
    const AllocationWatch watch;
    HRESULT read = watch.Checked(ReadBook(stream));
    if (SUCCEEDED(read)) {
        read = watch.Checked(MakePage());
    }
    if (FAILED(read)) {
        Made = PreviewPage();
        Found = BookCondition();
        Found.Fault = BookFault::OutOfMemory;
        BookLoaded = false;
    }
    return read;
}

HRESULT PreviewContent::ReadBook(IStream* stream) {
    BookLoaded = false;
    Encrypted = false;
    BookLocaleId = 0;
    OpenedBook book;
    const HRESULT open = OpenBook(stream, OpenFor::PartByPart, book);
    Found = book.Condition;
    if (FAILED(open)) {
        // A book that does not load makes a page that says so.
        return open == E_OUTOFMEMORY ? open : S_OK;
    }
    RETURN_IF_FAILED(ReadPreviewDetails(book.Book.Get(), Details));
    RETURN_IF_FAILED(ReadCoverPicture(book.Book.Get(), *book.Records, Cover));
    BookLocaleId = BookLocale(book.Book.Get());
    BookLoaded = true;
    std::unique_ptr<TextSource> text;
    const HRESULT opened = OpenTextSource(stream, book, text);
    // The book opened again for its text may have come short this time.
    Found = book.Condition;
    Encrypted = opened == S_FALSE;
    if (opened == E_OUTOFMEMORY) {
        return opened;
    }
    // A book whose text does not load still shows its details.
    return text ? ReadPreviewText(*text, PreviewTextBudget, Text) : S_OK;
}

void PreviewContent::ChooseFaces(const WCHAR* paneFace, FaceGlyphFinder find) {
    Made.FaceName = ChoosePreviewFaces(Lines.Get(), Made.LineCount, BookLocaleId, paneFace, find);
}

HRESULT PreviewContent::MakePage() {
    Made = PreviewPage();
    // Each detail and the text, a line per paragraph (a title or a name may hold line feeds and
    // blanks too), then at most one notice.
    struct Source {
        PreviewStyle Style;
        const WCHAR* Text;
        size_t Length;
    };
    const auto detail = [](PreviewStyle style, const CoTaskMemPtr<WCHAR>& text) {
        return Source{style, text.Get(), text ? Utf16Length(text.Get()) : 0};
    };
    const Source sources[] = {
        detail(PreviewStyle::Title, Details.Title),
        detail(PreviewStyle::Authors, Details.Authors),
        detail(PreviewStyle::Facts, Details.Facts),
        detail(PreviewStyle::Description, Details.Description),
        {PreviewStyle::Paragraph, Text.Units.Get(), Text.Length},
    };
    size_t count = 1;
    for (const Source& source : sources) {
        ForEachParagraph(source.Text, source.Length, [&count](const WCHAR*, size_t) { ++count; });
    }
    Lines.Reset(TaskAllocate<PreviewLine>(count));
    if (!Lines) {
        return E_OUTOFMEMORY;
    }
    PreviewLine* lines = Lines.Get();
    size_t made = 0;
    size_t paragraphs = 0;
    if (BookLoaded) {
        for (const Source& source : sources) {
            const PreviewStyle style = source.Style;
            ForEachParagraph(source.Text, source.Length,
                             [lines, &made, &paragraphs, style](const WCHAR* text, size_t length) {
                                 lines[made++] = PreviewLine{style, text, length, false};
                                 paragraphs += style == PreviewStyle::Paragraph ? 1 : 0;
                             });
        }
    }
    // A pane is never left blank: a book whose text is encrypted, that has none (or whose text
    // does not load), or that does not load at all says so.
    const WCHAR* notice = !BookLoaded ? UnreadableNotice
                          : Encrypted ? EncryptedNotice
                                      : (paragraphs == 0 ? NoTextNotice : nullptr);
    if (notice != nullptr) {
        lines[made++] = PreviewLine{PreviewStyle::Notice, notice, Utf16Length(notice), false};
    }
    Made.Cover = Cover.Bytes.Get();
    Made.CoverSize = Cover.Size;
    Made.Lines = lines;
    Made.LineCount = made;
    Made.RightToLeft = IsRightToLeftLocale(BookLocaleId);
    return S_OK;
}
