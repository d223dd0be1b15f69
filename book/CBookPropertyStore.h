// SPDX-License-Identifier: LGPL-3.0-or-later
// The book's property handler: the columns and details Explorer shows for a Kindle book. It
// reads the book's metadata once, when the stream is bound, into a read-only store of at most
// one value per property; the stream is not kept.
#pragma once

#include "book/metadata/BookProperties.h"
#include "platform/Platform.h"

class CBookPropertyStore : public IInitializeWithStream,
                           public IPropertyStore,
                           public IPropertyStoreCapabilities {
public:
    CBookPropertyStore();
    CBookPropertyStore(const CBookPropertyStore&) = delete;
    CBookPropertyStore& operator=(const CBookPropertyStore&) = delete;
    virtual ~CBookPropertyStore();

    // The three faces; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IPropertyStore),
            QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IPropertyStoreCapabilities),
            {nullptr, 0},
        };
        return table;
    }

    // IInitializeWithStream: once only; a book that does not load leaves the store empty.
    HRESULT STDMETHODCALLTYPE Initialize(IStream* pstream, DWORD grfMode) override;

    // IPropertyStore, read-only.
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* cProps) override;
    HRESULT STDMETHODCALLTYPE GetAt(DWORD iProp, PROPERTYKEY* pkey) override;
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* pv) override;
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT propvar) override;
    HRESULT STDMETHODCALLTYPE Commit() override;

    // IPropertyStoreCapabilities: nothing is writable.
    HRESULT STDMETHODCALLTYPE IsPropertyWritable(REFPROPERTYKEY key) override;

private:
    HRESULT ReadBook(IStream* stream);
    DWORD PublishedCount() const;
    void Clear();

    BookProperty Properties[MaxBookProperties];
    // Filled while reading; readers see only the properties published, all at once.
    DWORD Filled;
    mutable LONG volatile Published;
    LONG volatile InitializeClaimed;
};
