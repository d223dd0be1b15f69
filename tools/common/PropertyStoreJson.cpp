// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/PropertyStoreJson.h"

#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "platform/text/Utf16Length.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/FormatCode.h"
#include "tools/common/JsonChunkWriter.h"
#include "tools/common/PropertyNames.h"

namespace {

void AppendString(std::string& out, const WCHAR* text) {
    if (text == nullptr) {
        out += "null";
        return;
    }
    AppendJsonString(out, text, Utf16Length(text));
}

// False for a type the tools do not print.
bool AppendValue(std::string& out, const PROPVARIANT& value) {
    switch (value.vt) {
    case VT_LPWSTR:
        AppendString(out, value.pwszVal);
        return true;
    case VT_VECTOR | VT_LPWSTR:
        out += '[';
        for (ULONG i = 0; i < value.calpwstr.cElems; ++i) {
            if (i != 0) {
                out += ',';
            }
            AppendString(out, value.calpwstr.pElems[i]);
        }
        out += ']';
        return true;
    case VT_UI4:
        out += std::to_string(value.ulVal);
        return true;
    default:
        return false;
    }
}

} // namespace

HRESULT BindPropertyStore(const CreateFilterObject& create, IStream* stream,
                          ComPtr<IPropertyStore>& store) {
    store.Reset();
    ComPtr<IInitializeWithStream> initialize;
    RETURN_IF_FAILED(create(IID_IInitializeWithStream, initialize.PutVoid()));
    if (!initialize) {
        return E_POINTER;
    }
    const HRESULT bound = initialize->Initialize(stream, STGM_READ);
    // A failed binding hands the object out too, for its words.
    const HRESULT asked = initialize->QueryInterface(IID_IPropertyStore, store.PutVoid());
    RETURN_IF_FAILED(bound);
    RETURN_IF_FAILED(asked);
    return store ? S_OK : E_POINTER;
}

HRESULT ReadPropertyStoreJson(const CreateFilterObject& create, IStream* stream, std::string& out,
                              std::string& words) {
    ComPtr<IPropertyStore> store;
    HRESULT result = BindPropertyStore(create, stream, store);
    words = BookConditionWords(store.Get());
    if (SUCCEEDED(result)) {
        result = AppendPropertyStoreJson(store.Get(), out);
    }
    return result;
}

HRESULT AppendPropertyStoreJson(IPropertyStore* store, std::string& out) {
    std::string object = "{";
    DWORD count = 0;
    RETURN_IF_FAILED(store->GetCount(&count));
    for (DWORD i = 0; i < count; ++i) {
        PROPERTYKEY key;
        RETURN_IF_FAILED(store->GetAt(i, &key));
        PropVariant value;
        RETURN_IF_FAILED(store->GetValue(key, &value.Get()));
        std::string name;
        const char* canonical = CanonicalPropertyName(key);
        if (canonical != nullptr) {
            name = canonical;
        } else {
            name = FormatGuid(key.fmtid) + "/" + std::to_string(key.pid);
        }
        std::string member = (object.size() > 1 ? ",\"" : "\"") + name + "\":";
        if (AppendValue(member, value.Get())) {
            object += member;
        }
    }
    out += object + "}\n";
    return S_OK;
}
