// SPDX-License-Identifier: LGPL-3.0-or-later
#include "filter/ChunkValue.h"

#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"
#include "platform/text/BoundedStringCopy.h"
#include "platform/text/Utf16Length.h"

#include <cstring>
#include <utility>

ChunkValue::ChunkValue() : IsSet(false), Source(nullptr), Run(nullptr), RunLength(0) {
    std::memset(&Stat, 0, sizeof(Stat));
}

void ChunkValue::Clear() {
    IsSet = false;
    std::memset(&Stat, 0, sizeof(Stat));
    Value.Reset();
    Source = nullptr;
    Run = nullptr;
    RunLength = 0;
}

void ChunkValue::SetKeyAndKind(REFPROPERTYKEY key, CHUNKSTATE kind) {
    Clear();
    Stat.attribute.guidPropSet = key.fmtid;
    Stat.attribute.psProperty.ulKind = PRSPEC_PROPID;
    Stat.attribute.psProperty.propid = key.pid;
    Stat.flags = kind;
    Stat.breakType = CHUNK_NO_BREAK;
    Stat.locale = 0;
    Stat.cwcStartSource = 0;
    Stat.cwcLenSource = 0;
}

HRESULT ChunkValue::SetStringValue(REFPROPERTYKEY key, const WCHAR* value) {
    if (value == nullptr) {
        return E_INVALIDARG;
    }
    SetKeyAndKind(key, CHUNK_VALUE);
    const size_t length = Utf16Length(value);
    CoTaskMemPtr<WCHAR> copy(TaskAllocate<WCHAR>(length + 1));
    if (!copy) {
        return E_OUTOFMEMORY;
    }
    BoundedStringCopy(copy.Get(), length + 1, value, length + 1);
    return SetStringValue(key, std::move(copy));
}

HRESULT ChunkValue::SetStringValue(REFPROPERTYKEY key, CoTaskMemPtr<WCHAR> value) {
    if (!value) {
        return E_INVALIDARG;
    }
    SetKeyAndKind(key, CHUNK_VALUE);
    Value.Get().pwszVal = value.Detach();
    Value.Get().vt = VT_LPWSTR;
    IsSet = true;
    return S_OK;
}

HRESULT ChunkValue::SetText(REFPROPERTYKEY key, TextRuns& source) {
    SetKeyAndKind(key, CHUNK_TEXT);
    Source = &source;
    IsSet = true;
    return S_OK;
}

HRESULT ChunkValue::NextRun() {
    Run = nullptr;
    RunLength = 0;
    if (Source == nullptr) {
        return S_FALSE;
    }
    const HRESULT next = Source->NextTextRun(&Run, &RunLength);
    if (FAILED(next)) {
        return next;
    }
    return next == S_OK && RunLength > 0 ? S_OK : S_FALSE;
}

HRESULT ChunkValue::CopyValueOut(PROPVARIANT** out) const {
    if (out == nullptr) {
        return E_INVALIDARG;
    }
    *out = nullptr;
    CoTaskMemPtr<PROPVARIANT> block(TaskAllocate<PROPVARIANT>(1));
    if (!block) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(PropVariantCopy(block.Get(), &Value.Get()));
    *out = block.Detach();
    return S_OK;
}
