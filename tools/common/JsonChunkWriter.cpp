// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/JsonChunkWriter.h"

#include "platform/text/Utf16Length.h"
#include "tools/common/FormatCode.h"

#include <vector>

namespace {

// Writes the JSON form of one code point at `out` and returns the end of it. A lambda: the
// writing loop that takes it calls it inline.
const auto PutJsonCharacter = [](char* out, unsigned long codePoint) -> char* {
    if (codePoint >= 0x20 && codePoint < 0x80 && codePoint != '"' && codePoint != '\\') {
        *out++ = static_cast<char>(codePoint);
        return out;
    }
    char escape = 0;
    switch (codePoint) {
    case '"':
        escape = '"';
        break;
    case '\\':
        escape = '\\';
        break;
    case '\b':
        escape = 'b';
        break;
    case '\f':
        escape = 'f';
        break;
    case '\n':
        escape = 'n';
        break;
    case '\r':
        escape = 'r';
        break;
    case '\t':
        escape = 't';
        break;
    default:
        return codePoint >= 0x20 ? PutUtf8(out, codePoint) : PutUnicodeEscape(out, codePoint);
    }
    *out++ = '\\';
    *out++ = escape;
    return out;
};

// Malformed UTF-8 (a file name is bytes) becomes U+FFFD, so that the line stays valid UTF-8.
std::vector<WCHAR> WidenUtf8(const std::string& text) {
    std::vector<WCHAR> wide;
    if (!text.empty()) {
        const int size = static_cast<int>(text.size());
        const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
        if (needed > 0) {
            wide.resize(static_cast<size_t>(needed));
            MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), needed);
        }
    }
    return wide;
}

} // namespace

void AppendJsonString(std::string& out, const WCHAR* text, size_t length) {
    out += '"';
    AppendDecoded<8>(out, text, length, PutJsonCharacter);
    out += '"';
}

void JsonChunkWriter::String(const WCHAR* text, size_t length) {
    Out.Append('"');
    WriteWhole(text, length, PutJsonCharacter);
    Out.Append('"');
}

void JsonChunkWriter::Utf8String(const std::string& text) {
    const std::vector<WCHAR> wide = WidenUtf8(text);
    String(wide.data(), wide.size());
}

void JsonChunkWriter::Number(unsigned long long value) {
    Out.Append(std::to_string(value));
}

void JsonChunkWriter::Code(HRESULT code) {
    Out.Append('"');
    Out.Append(FormatCode(code));
    Out.Append('"');
}

void JsonChunkWriter::BeginBook(const std::string& label) {
    LineStart = "{";
    if (!label.empty()) {
        const std::vector<WCHAR> wide = WidenUtf8(label);
        LineStart += "\"file\":";
        AppendJsonString(LineStart, wide.data(), wide.size());
        LineStart += ',';
    }
}

void JsonChunkWriter::CodeLine(const char* key, HRESULT code, const std::string& reason) {
    Out.Append(LineStart);
    Out.Append('"');
    Out.Append(key);
    Out.Append("\":", 2);
    Code(code);
    if (!reason.empty()) {
        Out.Append(",\"reason\":");
        Utf8String(reason);
    }
    Out.Append("}\n", 2);
}

void JsonChunkWriter::LoadFailure(HRESULT code, const std::string& reason) {
    CodeLine("load", code, reason);
}

void JsonChunkWriter::End(HRESULT code) {
    CodeLine("end", code);
}

void JsonChunkWriter::BeginChunk(const STAT_CHUNK& stat) {
    Out.Append(LineStart);
    Out.Append("\"chunk\":");
    Number(stat.idChunk);
    Out.Append(",\"kind\":\"");
    Out.Append(ChunkKind(stat));
    Out.Append('"');
    if (stat.flags != CHUNK_TEXT && stat.flags != CHUNK_VALUE) {
        Out.Append(",\"flags\":");
        Number(static_cast<unsigned long long>(stat.flags));
    }
    // Every line names its property in full and gives locale and break even when zero, so that
    // a reader needs no table of what the tool leaves out.
    Out.Append(",\"fmtid\":\"");
    Out.Append(FormatGuid(stat.attribute.guidPropSet));
    Out.Append('"');
    const PROPSPEC& property = stat.attribute.psProperty;
    if (property.ulKind == PRSPEC_PROPID) {
        Out.Append(",\"propid\":");
        Number(property.propid);
    } else if (property.lpwstr != nullptr) {
        Out.Append(",\"propname\":");
        String(property.lpwstr, Utf16Length(property.lpwstr));
    }
    Out.Append(",\"locale\":");
    Number(stat.locale);
    Out.Append(",\"break\":");
    Number(static_cast<unsigned long long>(stat.breakType));
    InText = (stat.flags & CHUNK_TEXT) != 0;
    if (InText) {
        Out.Append(",\"text\":\"");
    }
}

void JsonChunkWriter::Text(const WCHAR* text, size_t length) {
    WriteDecoded(text, length, PutJsonCharacter);
}

void JsonChunkWriter::Value(const WCHAR* text, size_t length, VARTYPE type) {
    if (text != nullptr) {
        Out.Append(",\"value\":");
        String(text, length);
        return;
    }
    if (type != VT_EMPTY) {
        Out.Append(",\"vt\":");
        Number(type);
    }
    Out.Append(",\"value\":null");
}

void JsonChunkWriter::EndChunk(HRESULT error, const char* fault) {
    if (InText) {
        FinishDecoded(PutJsonCharacter);
        Out.Append('"');
        InText = false;
    }
    if (error != S_OK) {
        Out.Append(",\"error\":");
        Code(error);
    }
    if (fault != nullptr) {
        Out.Append(",\"fault\":");
        Utf8String(fault);
    }
    Out.Append("}\n", 2);
}
