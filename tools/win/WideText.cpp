#include "tools/win/WideText.h"

#include "tools/Utf16ToUtf8.h"

size_t WideLength(const WCHAR* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

std::string ToUtf8(const WCHAR* text) {
    std::string result;
    AppendUtf8(result, text, WideLength(text));
    return result;
}
