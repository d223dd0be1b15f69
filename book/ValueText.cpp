// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/ValueText.h"

#include "book/MarkupToText.h"
#include "platform/UniqueAny.h"

#include <cstring>

namespace {

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsTrimmed(WCHAR unit) {
    return unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n';
}

void CopyKept(const WCHAR* text, size_t length, ValueBuffer& buffer) {
    const size_t kept = ValueLengthKept(text, length);
    std::memcpy(buffer, text, kept * sizeof(WCHAR));
    buffer[kept] = 0;
}

} // namespace

size_t ValueLengthKept(const WCHAR* text, size_t length) {
    if (length < ValueBufferUnits) {
        return length;
    }
    const size_t kept = ValueBufferUnits - 1;
    return IsHighSurrogate(text[kept - 1]) ? kept - 1 : kept;
}

void ConvertValue(const char* utf8, ValueBuffer& buffer) {
    // Nearly every value fits, and is converted straight into the buffer; a conversion that
    // does not fit fails, and only then is the whole string measured.
    if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buffer, static_cast<int>(ValueBufferUnits)) > 0) {
        return;
    }
    buffer[0] = 0;
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (needed <= static_cast<int>(ValueBufferUnits)) {
        return;
    }
    CoTaskMemPtr<WCHAR> whole(
        static_cast<WCHAR*>(CoTaskMemAlloc(static_cast<size_t>(needed) * sizeof(WCHAR))));
    if (!whole) {
        return;
    }
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, whole.Get(), needed);
    CopyKept(whole.Get(), static_cast<size_t>(needed) - 1, buffer);
}

namespace {

// The markup's text without what leads and trails, at the start of its block and terminated;
// null when the conversion cannot be made.
CoTaskMemPtr<WCHAR> TrimmedMarkupText(const char* utf8, size_t* length) {
    *length = 0;
    const size_t size = std::strlen(utf8);
    if (size > 0xFFFFFFFFu) {
        return CoTaskMemPtr<WCHAR>();
    }
    size_t converted = 0;
    CoTaskMemPtr<WCHAR> text(MarkupToText(utf8, static_cast<ULONG>(size), &converted));
    if (!text) {
        return text;
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
    begin[*length] = 0;
    return text;
}

} // namespace

bool ConvertMarkupValue(const char* utf8, ValueBuffer& buffer) {
    buffer[0] = 0;
    size_t length = 0;
    const CoTaskMemPtr<WCHAR> text = TrimmedMarkupText(utf8, &length);
    if (!text) {
        return false;
    }
    CopyKept(text.Get(), length, buffer);
    return length != 0;
}

CoTaskMemPtr<WCHAR> WholeValueText(const char* utf8) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (needed <= 0) {
        return CoTaskMemPtr<WCHAR>();
    }
    CoTaskMemPtr<WCHAR> text(
        static_cast<WCHAR*>(CoTaskMemAlloc(static_cast<size_t>(needed) * sizeof(WCHAR))));
    if (text && MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.Get(), needed) != needed) {
        text.Reset();
    }
    return text;
}

HRESULT WholeMarkupValueText(const char* utf8, CoTaskMemPtr<WCHAR>& text) {
    size_t length = 0;
    text = TrimmedMarkupText(utf8, &length);
    if (!text && utf8[0] != 0) {
        // Markup that is not empty always converts, to nothing at least: memory ran out.
        return E_OUTOFMEMORY;
    }
    if (length == 0) {
        text.Reset();
        return S_FALSE;
    }
    return S_OK;
}
