// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/metadata/BookProperties.h"

#include "book/metadata/BookMetadata.h"
#include "book/metadata/BookYear.h"
#include "book/metadata/ExthStrings.h"
#include "book/metadata/ValueText.h"
#include "platform/AllocationFailures.h"
#include "platform/UniqueAny.h"

#include <utility>

namespace {

// Adds properties in order; the first failure empties it.
class PropertyList {
public:
    PropertyList(BookProperty (&properties)[MaxBookProperties], DWORD* count)
        : Properties(properties), Count(count) {
        *Count = 0;
    }
    ~PropertyList() {
        if (Failed) {
            for (DWORD i = 0; i < *Count; ++i) {
                PropVariantClear(&Properties[i].Value);
            }
            *Count = 0;
        }
    }

    HRESULT Result() const { return Failed ? E_OUTOFMEMORY : S_OK; }

    // Takes over `value`, already filled.
    void Add(const PROPERTYKEY& key, PROPVARIANT value) {
        BookProperty& property = Properties[(*Count)++];
        property.Key = key;
        property.Value = value;
    }

    // A string when there is one and it is not empty.
    void AddString(const PROPERTYKEY& key, CoTaskMemPtr<WCHAR> text) {
        if (!text || text.Get()[0] == 0) {
            return;
        }
        PROPVARIANT value;
        PropVariantInit(&value);
        value.vt = VT_LPWSTR;
        value.pwszVal = text.Detach();
        Add(key, value);
    }

    // A UTF-8 string converted whole, when something remains.
    void AddText(const PROPERTYKEY& key, const MallocedString& utf8, ValueForm form) {
        if (!utf8 || utf8.Get()[0] == 0) {
            return;
        }
        CoTaskMemPtr<WCHAR> text;
        if (FAILED(ConvertValueText(utf8.Get(), form, UncutValue, text))) {
            Failed = true;
            return;
        }
        AddString(key, std::move(text));
    }

    // One entry per record of `tag` that is not empty; nothing when there is none.
    void AddList(const PROPERTYKEY& key, const MOBIData* book, uint32_t tag) {
        ExthStrings strings;
        if (!strings.Read(book, static_cast<MOBIExthTag>(tag))) {
            Failed = true;
            return;
        }
        ULONG entries = 0;
        for (size_t i = 0; i < strings.Count(); ++i) {
            entries += strings.At(i)[0] != 0 ? 1 : 0;
        }
        if (entries == 0) {
            return;
        }
        PROPVARIANT value;
        PropVariantInit(&value);
        value.vt = VT_VECTOR | VT_LPWSTR;
        value.calpwstr.pElems = TaskAllocate<LPWSTR>(entries);
        // Cleared as a whole on the way out, with the entries made so far.
        PropVariant owned(value);
        CALPWSTR& vector = owned.Get().calpwstr;
        if (vector.pElems == nullptr) {
            owned.Get().vt = VT_EMPTY;
            Failed = true;
            return;
        }
        for (size_t i = 0; i < strings.Count(); ++i) {
            if (strings.At(i)[0] == 0) {
                continue;
            }
            CoTaskMemPtr<WCHAR> text;
            if (FAILED(ConvertValueText(strings.At(i), ValueForm::Plain, UncutValue, text))) {
                Failed = true;
                return;
            }
            vector.pElems[vector.cElems++] = text.Detach();
        }
        Add(key, owned.Detach());
    }

    // The year of the date, when it has one.
    void AddYear(const PROPERTYKEY& key, const MallocedString& date) {
        ULONG year = 0;
        if (!date || !ReadBookYear(date.Get(), &year)) {
            return;
        }
        PROPVARIANT value;
        PropVariantInit(&value);
        value.vt = VT_UI4;
        value.ulVal = year;
        Add(key, value);
    }

private:
    BookProperty (&Properties)[MaxBookProperties];
    DWORD* Count;
    bool Failed = false;
};

} // namespace

HRESULT ReadBookProperties(const MOBIData* book, BookProperty (&properties)[MaxBookProperties],
                           DWORD* count) {
    PropertyList list(properties, count);
    for (const BookPropertyRow& row : BookPropertyRows) {
        if ((row.Readers & ReadBy::PropertyStore) == 0) {
            continue;
        }
        switch (row.Shape) {
        case PropertyShape::Joined:
            list.AddText(*row.Key, BookValueString(book, row), ValueForm::Plain);
            break;
        case PropertyShape::Markup:
            list.AddText(*row.Key, BookValueString(book, row), ValueForm::Markup);
            break;
        case PropertyShape::List:
            list.AddList(*row.Key, book, row.ExthTag);
            break;
        case PropertyShape::Year:
            list.AddYear(*row.Key, BookValueString(book, row));
            break;
        case PropertyShape::Text:
            break;
        }
    }
    return list.Result();
}
