// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/BookConditionWords.h"

#include "book/IBookCondition.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "tools/common/FormatCode.h"
#include "tools/common/Utf16ToUtf8.h"

std::string BookConditionWords(IUnknown* object) {
    ComPtr<IBookCondition> condition;
    if (object == nullptr ||
        FAILED(object->QueryInterface(IID_IBookCondition, condition.PutVoid())) || !condition) {
        return std::string();
    }
    CoTaskMemPtr<WCHAR> words;
    if (condition->GetConditionWords(words.Put()) != S_OK || !words) {
        return std::string();
    }
    return ToUtf8(words.Get());
}

std::string FailureWords(const std::string& words, const char* fallback, HRESULT code) {
    const char* general = code == E_OUTOFMEMORY ? OutOfMemoryWords : fallback;
    return (words.empty() ? std::string(general) : words) + " (" + FormatCode(code) + ")";
}
