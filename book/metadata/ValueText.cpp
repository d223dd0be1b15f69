// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/metadata/ValueText.h"

#include "book/markup/MarkupToText.h"
#include "platform/AllocationFailures.h"

#include <cstring>

namespace {

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsTrimmed(WCHAR unit) {
    return unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n';
}

HRESULT PlainText(const char* utf8, CoTaskMemPtr<WCHAR>& text, size_t* length) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (needed <= 0) {
        return E_FAIL;
    }
    text.Reset(TaskAllocate<WCHAR>(static_cast<size_t>(needed)));
    if (!text) {
        return E_OUTOFMEMORY;
    }
    if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.Get(), needed) != needed) {
        text.Reset();
        return E_FAIL;
    }
    *length = static_cast<size_t>(needed) - 1;
    return S_OK;
}

// The markup's text without what leads and trails, moved to the start of its block.
HRESULT MarkupText(const char* utf8, CoTaskMemPtr<WCHAR>& text, size_t* length) {
    const size_t size = std::strlen(utf8);
    if (size > 0xFFFFFFFFu) {
        return E_FAIL;
    }
    size_t converted = 0;
    // Markup that is not empty always converts, to nothing at least: null is memory running
    // out. Empty markup has no text.
    text.Reset(size == 0 ? TaskAllocate<WCHAR>(1)
                         : MarkupToText(utf8, static_cast<ULONG>(size), &converted));
    if (!text) {
        return E_OUTOFMEMORY;
    }
    WCHAR* begin = text.Get();
    const WCHAR* end = begin + converted;
    const WCHAR* first = begin;
    while (first != end && IsTrimmed(*first)) {
        ++first;
    }
    while (end != first && IsTrimmed(end[-1])) {
        --end;
    }
    *length = static_cast<size_t>(end - first);
    std::memmove(begin, first, *length * sizeof(WCHAR));
    return S_OK;
}

} // namespace

HRESULT ConvertValueText(const char* utf8, ValueForm form, size_t maxUnits,
                         CoTaskMemPtr<WCHAR>& text) {
    size_t length = 0;
    const HRESULT converted = form == ValueForm::Markup ? MarkupText(utf8, text, &length)
                                                        : PlainText(utf8, text, &length);
    if (FAILED(converted)) {
        text.Reset();
        return converted;
    }
    if (length > maxUnits) {
        length = maxUnits;
        if (length > 0 && IsHighSurrogate(text.Get()[length - 1])) {
            --length;
        }
    }
    text.Get()[length] = 0;
    return S_OK;
}
