#include "tools/common/Utf16ToUtf8.h"

#include "platform/Utf16Length.h"

void AppendUtf8(std::string& out, const WCHAR* text, size_t length) {
    auto append = [&out](unsigned long codePoint) {
        char bytes[4];
        out.append(bytes, PutUtf8(bytes, codePoint));
    };
    Utf16Decoder decoder;
    decoder.Decode(text, length, append);
    decoder.Finish(append);
}

std::string ToUtf8(const WCHAR* text) {
    std::string result;
    AppendUtf8(result, text, Utf16Length(text));
    return result;
}
