#include "tools/JsonWriter.h"

#include "tools/Utf16ToUtf8.h"

#include <cstdio>
#include <vector>

void AppendJsonString(std::string& out, const WCHAR* text, size_t length) {
    static const char Hex[] = "0123456789abcdef";
    out += '"';
    size_t index = 0;
    while (index < length) {
        const unsigned long codePoint = NextCodePoint(text, length, &index);
        switch (codePoint) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (codePoint < 0x20) {
                out += "\\u00";
                out += Hex[codePoint >> 4];
                out += Hex[codePoint & 0xF];
            } else {
                AppendCodePoint(out, codePoint);
            }
            break;
        }
    }
    out += '"';
}

std::string FormatCode(HRESULT code) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08lx",
                  static_cast<unsigned long>(static_cast<DWORD>(code)));
    return buffer;
}

void JsonWriter::Key(const char* key) {
    Text += Text.empty() ? "{\"" : ",\"";
    Text += key;
    Text += "\":";
}

JsonWriter& JsonWriter::Number(const char* key, unsigned long long value) {
    Key(key);
    Text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Code(const char* key, HRESULT code) {
    Key(key);
    Text += '"';
    Text += FormatCode(code);
    Text += '"';
    return *this;
}

JsonWriter& JsonWriter::String(const char* key, const WCHAR* text, size_t length) {
    Key(key);
    AppendJsonString(Text, text, length);
    return *this;
}

JsonWriter& JsonWriter::Utf8String(const char* key, const std::string& text) {
    std::vector<WCHAR> wide;
    if (!text.empty()) {
        const int size = static_cast<int>(text.size());
        const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
        if (needed > 0) {
            wide.resize(static_cast<size_t>(needed));
            MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), needed);
        }
    }
    return String(key, wide.data(), wide.size());
}

JsonWriter& JsonWriter::Null(const char* key) {
    Key(key);
    Text += "null";
    return *this;
}

std::string JsonWriter::Line() const {
    return (Text.empty() ? std::string("{") : Text) + "}\n";
}
