// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/PreviewContent.h"

#include "book/load/BookEncryption.h"
#include "book/load/LoadBook.h"
#include "book/load/MobiHolders.h"
#include "book/metadata/BookLocale.h"
#include "book/preview/ReadingDirection.h"
#include "platform/ReturnIfFailed.h"
#include "platform/text/Utf16Length.h"

namespace {

const WCHAR EncryptedNotice[] =
    UTF16("The text of this book is encrypted (DRM): only its details can be shown.");
const WCHAR UnreadableNotice[] = UTF16("This file could not be read as a Kindle book.");

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

HRESULT PreviewContent::ReadBook(IStream* stream) {
    Loaded = false;
    Encrypted = false;
    BookLocaleId = 0;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    MobiBook book(mobi_init());
    if (!book) {
        return E_OUTOFMEMORY;
    }
    BookRecords records(stream);
    if (LoadBookFromRecords(book.Get(), records, LoadedRecords::Headers) != MOBI_SUCCESS) {
        return S_FALSE;
    }
    RETURN_IF_FAILED(ReadPreviewDetails(book.Get(), Details));
    RETURN_IF_FAILED(ReadCoverPicture(book.Get(), records, Cover));
    BookLocaleId = BookLocale(book.Get());
    Encrypted = IsTextEncrypted(book.Get());
    Loaded = true;
    return S_OK;
}

void PreviewContent::ChooseFaces(const WCHAR* paneFace, FaceGlyphFinder find) {
    Made.FaceName = ChoosePreviewFaces(Lines.Get(), Made.LineCount, BookLocaleId, paneFace, find);
}

HRESULT PreviewContent::MakePage() {
    Made = PreviewPage();
    // Three lines of details and a notice, then one line per paragraph of the description and
    // of the text.
    const WCHAR* description = Details.Description.Get();
    const size_t descriptionLength = description != nullptr ? Utf16Length(description) : 0;
    size_t count = 4;
    const auto countLine = [&count](const WCHAR*, size_t) { ++count; };
    ForEachParagraph(description, descriptionLength, countLine);
    ForEachParagraph(Text.Units.Get(), Text.Length, countLine);
    Lines.Reset(static_cast<PreviewLine*>(CoTaskMemAlloc(count * sizeof(PreviewLine))));
    if (!Lines) {
        return E_OUTOFMEMORY;
    }
    PreviewLine* lines = Lines.Get();
    size_t made = 0;
    const auto add = [lines, &made](PreviewStyle style, const WCHAR* text, size_t length) {
        lines[made++] = PreviewLine{style, text, length, false};
    };
    const auto addDetail = [&add](PreviewStyle style, const CoTaskMemPtr<WCHAR>& text) {
        if (text) {
            add(style, text.Get(), Utf16Length(text.Get()));
        }
    };
    if (!Loaded) {
        add(PreviewStyle::Notice, UnreadableNotice, Utf16Length(UnreadableNotice));
    } else {
        addDetail(PreviewStyle::Title, Details.Title);
        addDetail(PreviewStyle::Authors, Details.Authors);
        addDetail(PreviewStyle::Facts, Details.Facts);
        ForEachParagraph(description, descriptionLength, [&add](const WCHAR* text, size_t length) {
            add(PreviewStyle::Description, text, length);
        });
        if (Encrypted) {
            add(PreviewStyle::Notice, EncryptedNotice, Utf16Length(EncryptedNotice));
        }
        ForEachParagraph(Text.Units.Get(), Text.Length, [&add](const WCHAR* text, size_t length) {
            add(PreviewStyle::Paragraph, text, length);
        });
    }
    Made.Cover = Cover.Bytes.Get();
    Made.CoverSize = Cover.Size;
    Made.Lines = lines;
    Made.LineCount = made;
    Made.RightToLeft = IsRightToLeftLocale(BookLocaleId);
    return S_OK;
}
