// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/MakeBookPropertyStore.h"

#include "book/CBookPropertyStore.h"
#include "platform/ComObject.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "tests/support/MakeBoundObject.h"

#include <gtest/gtest.h>

HRESULT MakeBookPropertyStore(IStream* stream, ComPtr<IPropertyStore>& store) {
    return MakeBoundObject<CBookPropertyStore>(stream, IID_IPropertyStore, store);
}

std::vector<StoredProperty> ReadStore(IPropertyStore* store) {
    std::vector<StoredProperty> properties;
    DWORD count = 0;
    EXPECT_EQ(store->GetCount(&count), S_OK);
    for (DWORD i = 0; i < count; ++i) {
        StoredProperty property{};
        EXPECT_EQ(store->GetAt(i, &property.Key), S_OK);
        PropVariant value;
        EXPECT_EQ(store->GetValue(property.Key, &value.Get()), S_OK);
        property.Type = value->vt;
        if (value->vt == VT_LPWSTR) {
            property.Strings.emplace_back(value->pwszVal);
        } else if (value->vt == (VT_VECTOR | VT_LPWSTR)) {
            for (ULONG j = 0; j < value->calpwstr.cElems; ++j) {
                property.Strings.emplace_back(value->calpwstr.pElems[j]);
            }
        } else if (value->vt == VT_UI4) {
            property.Number = value->ulVal;
        } else {
            ADD_FAILURE() << "property " << i << " has type " << value->vt;
        }
        properties.push_back(std::move(property));
    }
    return properties;
}
