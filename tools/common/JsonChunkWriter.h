// Builds one JSON object on one line, as the dump's JSON Lines output needs it. Keys are
// written in the order they are added; strings are UTF-8 with the escapes of RFC 8259.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <string>

// Appends `text` as a quoted JSON string. Quote and backslash are escaped, the control
// characters below U+0020 too (\b \f \n \r \t, the others as \u00xx); a lone surrogate
// becomes U+FFFD, so that the output is always valid UTF-8.
void AppendJsonString(std::string& out, const WCHAR* text, size_t length);

class JsonWriter {
public:
    JsonWriter& Number(const char* key, unsigned long long value);
    // An HRESULT as a string of eight lower-case hex digits: "0x80041700".
    JsonWriter& Code(const char* key, HRESULT code);
    JsonWriter& String(const char* key, const WCHAR* text, size_t length);
    // A UTF-8 string such as a file name; malformed bytes become U+FFFD.
    JsonWriter& Utf8String(const char* key, const std::string& text);
    JsonWriter& Null(const char* key);

    // The object with its closing brace and a line feed.
    std::string Line() const;

private:
    void Key(const char* key);

    std::string Text;
};

// "0x" and eight lower-case hex digits.
std::string FormatCode(HRESULT code);
