#include "filter/ChunkValue.h"

#include "filter/BoundedStringCopy.h"
#include "platform/Utf16Length.h"

#include <cstring>

ChunkValue::ChunkValue() : IsSet(false), Text(nullptr), TextLength(0) {
    std::memset(&Stat, 0, sizeof(Stat));
    PropVariantInit(&Value);
}

ChunkValue::~ChunkValue() {
    Clear();
}

void ChunkValue::Clear() {
    IsSet = false;
    std::memset(&Stat, 0, sizeof(Stat));
    PropVariantClear(&Value);
    if (Text != nullptr) {
        CoTaskMemFree(Text);
        Text = nullptr;
    }
}

HRESULT ChunkValue::SetKeyAndKind(REFPROPERTYKEY key, CHUNKSTATE kind) {
    Clear();
    Stat.attribute.guidPropSet = key.fmtid;
    Stat.attribute.psProperty.ulKind = PRSPEC_PROPID;
    Stat.attribute.psProperty.propid = key.pid;
    Stat.flags = kind;
    Stat.breakType = CHUNK_NO_BREAK;
    Stat.locale = 0;
    Stat.cwcStartSource = 0;
    Stat.cwcLenSource = 0;
    return S_OK;
}

HRESULT ChunkValue::SetStringValue(REFPROPERTYKEY key, const WCHAR* value) {
    if (value == nullptr) {
        return E_INVALIDARG;
    }
    SetKeyAndKind(key, CHUNK_VALUE);
    const size_t length = Utf16Length(value);
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    BoundedStringCopy(copy, length + 1, value, length + 1);
    Value.pwszVal = copy;
    IsSet = true;
    Value.vt = VT_LPWSTR;
    return S_OK;
}

HRESULT ChunkValue::CopyValueOut(PROPVARIANT** out) const {
    if (out == nullptr) {
        return E_INVALIDARG;
    }
    *out = nullptr;
    auto* block = static_cast<PROPVARIANT*>(CoTaskMemAlloc(sizeof(PROPVARIANT)));
    if (block == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT copied = PropVariantCopy(block, &Value);
    if (FAILED(copied)) {
        CoTaskMemFree(block);
        return copied;
    }
    *out = block;
    return copied;
}
