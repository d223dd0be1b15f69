// SPDX-License-Identifier: LGPL-3.0-or-later
// The book's thumbnail provider: the shell binds a book's stream and asks for its cover at a
// size. The cover is read when the stream is bound; the picture is decoded when asked for.
#pragma once

#include "book/CBookReader.h"
#include "book/IBookCover.h"
#include "book/cover/BookCoverPicture.h"
#include "platform/Platform.h"

class CBookThumbnailProvider : public CBookReader, public IThumbnailProvider, public IBookCover {
public:
    CBookThumbnailProvider() : CBookReader(AfterFailure::MayBindAgain) {}
    CBookThumbnailProvider(const CBookThumbnailProvider&) = delete;
    CBookThumbnailProvider& operator=(const CBookThumbnailProvider&) = delete;
    virtual ~CBookThumbnailProvider() = default;

    // The four faces; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IThumbnailProvider),
            QITABENT(Self, IBookCover),
            QITABENT(Self, IBookCondition),
            {nullptr, 0},
        };
        return table;
    }

    // IThumbnailProvider
    HRESULT STDMETHODCALLTYPE GetThumbnail(UINT cx, HBITMAP* phbmp,
                                           WTS_ALPHATYPE* pdwAlpha) override;

    // IBookCover
    HRESULT STDMETHODCALLTYPE GetCoverBytes(BYTE** bytes, ULONG* size) override;

private:
    // Initialize: the cover read, once the book loads (a book that does not may be bound
    // again).
    HRESULT Bind(IStream* stream, std::optional<BookCondition>& found) override;
    void Publish() override { Initialized = true; }
    void Unbind() override;
    BookReading Reading() const override;

    bool Initialized = false;
    BookCoverPicture Cover;
};
