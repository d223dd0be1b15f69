// SPDX-License-Identifier: LGPL-3.0-or-later
// The book's property handler: the columns and details Explorer shows for a Kindle book. It
// reads the book's metadata once, when the stream is bound, into a read-only store of at most
// one value per property; the stream is not kept.
#pragma once

#include "book/CBookReader.h"
#include "book/metadata/BookProperties.h"
#include "platform/Platform.h"

class CBookPropertyStore : public CBookReader,
                           public IPropertyStore,
                           public IPropertyStoreCapabilities {
public:
    CBookPropertyStore();
    CBookPropertyStore(const CBookPropertyStore&) = delete;
    CBookPropertyStore& operator=(const CBookPropertyStore&) = delete;
    virtual ~CBookPropertyStore();

    // The four faces; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IPropertyStore),
            QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IPropertyStoreCapabilities),
            QITABENT(Self, IBookCondition),
            {nullptr, 0},
        };
        return table;
    }

    // IPropertyStore, read-only.
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* cProps) override;
    HRESULT STDMETHODCALLTYPE GetAt(DWORD iProp, PROPERTYKEY* pkey) override;
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* pv) override;
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT propvar) override;
    HRESULT STDMETHODCALLTYPE Commit() override;

    // IPropertyStoreCapabilities: nothing is writable.
    HRESULT STDMETHODCALLTYPE IsPropertyWritable(REFPROPERTYKEY key) override;

private:
    // Initialize (once only): the properties read; a book that does not load leaves the store
    // empty.
    HRESULT Bind(IStream* stream, std::optional<BookCondition>& found) override;
    void Publish() override;
    void Unbind() override;
    BookReading Reading() const override { return BookReading::Details; }
    DWORD PublishedCount() const;
    void Clear();

    BookProperty Properties[MaxBookProperties];
    // Filled while reading; readers see only the properties published, all at once.
    DWORD Filled;
    mutable LONG volatile Published;
};
