// SPDX-License-Identifier: LGPL-3.0-or-later
// What the property handler, the thumbnail provider and the preview handler share: a book's
// stream bound once through IInitializeWithStream, and the tools' IBookCondition.
#pragma once

#include "book/ConditionWords.h"
#include "book/IBookCondition.h"
#include "platform/Platform.h"

#include <optional>

class CBookReader : public IInitializeWithStream, public IBookCondition {
public:
    // What a binding that failed leaves: the object bound all the same, or free to be bound
    // again (the shell may try a thumbnail again with the whole book).
    enum class AfterFailure { StaysBound, MayBindAgain };
    explicit CBookReader(AfterFailure afterFailure) : Retry(afterFailure) {}
    CBookReader(const CBookReader&) = delete;
    CBookReader& operator=(const CBookReader&) = delete;

    // Once only (until Forget, or after a failure with MayBindAgain): a null stream is
    // E_INVALIDARG, a writable mode STG_E_ACCESSDENIED (nothing is ever written back to a
    // book), a second stream HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED). Otherwise Bind's
    // answer, or E_OUTOFMEMORY when an allocation failed while it bound the book: what it made
    // is dropped then.
    HRESULT STDMETHODCALLTYPE Initialize(IStream* pstream, DWORD grfMode) final;

    // What the reading found, once the book was read: E_UNEXPECTED before.
    HRESULT STDMETHODCALLTYPE GetConditionWords(LPWSTR* words) final;

protected:
    virtual ~CBookReader() = default;

    // Binds the book on `stream`: reads what the object needs of it now, and puts what it found
    // in `found`; or keeps the stream for later, leaves `found` empty and calls NoteReading
    // once it has read the book.
    virtual HRESULT Bind(IStream* stream, std::optional<BookCondition>& found) = 0;
    // The binding stands: what it made may be handed out now, to callers on any thread.
    virtual void Publish() {}
    // Lets go of what a binding that failed made.
    virtual void Unbind() = 0;
    // What the object read of the book, for its words.
    virtual BookReading Reading() const = 0;

    // The book was read (or could not be): what was wrong with its file, and whether it was
    // read.
    void NoteReading(const BookCondition& condition, bool read);
    // Another stream may be bound now.
    void Forget();

private:
    AfterFailure Retry;
    LONG volatile Claimed = 0;
    LONG volatile Noted = 0;
    // Set before Noted.
    BookCondition Condition;
    bool Read = false;
};
