// SPDX-License-Identifier: LGPL-3.0-or-later
// An IFilter that hands out a fixed list of chunks with the protocol's GetText and GetValue,
// and that can be told to break the protocol, or to fail, in one way at a time.
#pragma once

#include "platform/ComObject.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using Utf16 = std::basic_string<WCHAR>;

struct ScriptedChunk {
    CHUNKSTATE Kind;
    PROPERTYKEY Key;
    Utf16 Text;
};

class ScriptedFilterBase : public IFilter {
public:
    explicit ScriptedFilterBase(std::vector<ScriptedChunk> chunks) : Chunks(std::move(chunks)) {}
    virtual ~ScriptedFilterBase() = default;

    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, IFilter), {nullptr, 0}};
        return table;
    }

    HRESULT STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override {
        ++InitCalls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChunk(STAT_CHUNK* stat) override {
        ++GetChunkCalls;
        if (NothingFirst > 0) {
            --NothingFirst;
            return S_FALSE;
        }
        if (Next == Chunks.size()) {
            return EndCode;
        }
        Current = &Chunks[Next++];
        Position = 0;
        ValueTaken = false;
        std::memset(stat, 0, sizeof(*stat));
        stat->idChunk = static_cast<ULONG>(Next);
        stat->flags = Current->Kind;
        stat->attribute.guidPropSet = Current->Key.fmtid;
        stat->attribute.psProperty.ulKind = PRSPEC_PROPID;
        stat->attribute.psProperty.propid = Current->Key.pid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetText(ULONG* count, WCHAR* buffer) override {
        ++GetTextCalls;
        if (OnGetText) {
            OnGetText();
        }
        if (GetTextCalls == FailingGetText) {
            return TextError;
        }
        if (Current == nullptr || Current->Kind != CHUNK_TEXT) {
            return FILTER_E_NO_TEXT;
        }
        const ULONG capacity = *count;
        const ULONG remaining = static_cast<ULONG>(Current->Text.size()) - Position;
        ULONG n = std::min(capacity - 1, remaining);
        if (EmptyPortions) {
            *count = 0;
            return S_OK;
        }
        if (n == 0) {
            return FILTER_E_NO_MORE_TEXT;
        }
        std::copy(Current->Text.begin() + Position, Current->Text.begin() + Position + n, buffer);
        buffer[n] = 0;
        Position += n;
        *count = OverReport ? capacity + 5 : n;
        return n == remaining ? FILTER_S_LAST_TEXT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(PROPVARIANT** value) override {
        *value = nullptr;
        if (ValueError != S_OK) {
            return ValueError;
        }
        if (Current == nullptr || Current->Kind != CHUNK_VALUE || ValueTaken) {
            return FILTER_E_NO_MORE_VALUES;
        }
        ValueTaken = true;
        // Allocated as a filter does: the host must clear it and free the block.
        auto* result = static_cast<PROPVARIANT*>(CoTaskMemAlloc(sizeof(PROPVARIANT)));
        PropVariantInit(result);
        const size_t bytes = (Current->Text.size() + 1) * sizeof(WCHAR);
        result->vt = VT_LPWSTR;
        result->pwszVal = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
        std::memcpy(result->pwszVal, Current->Text.c_str(), bytes);
        *value = result;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override {
        return E_NOTIMPL;
    }

    HRESULT EndCode = FILTER_E_END_OF_CHUNKS;
    HRESULT ValueError = S_OK;
    // The number of the GetText call (from 1) that fails with TextError; 0 for none.
    int FailingGetText = 0;
    HRESULT TextError = E_OUTOFMEMORY;
    bool OverReport = false;
    bool EmptyPortions = false;
    int NothingFirst = 0;
    int InitCalls = 0;
    int GetChunkCalls = 0;
    int GetTextCalls = 0;
    std::function<void()> OnGetText;

private:
    std::vector<ScriptedChunk> Chunks;
    size_t Next = 0;
    const ScriptedChunk* Current = nullptr;
    ULONG Position = 0;
    bool ValueTaken = false;
};

// On the stack: the test holds its one reference throughout.
using ScriptedFilter = HostObject<ScriptedFilterBase>;
