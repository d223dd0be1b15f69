// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/TextChunkWriter.h"

#include "platform/text/Utf16Length.h"
#include "tools/common/FormatCode.h"
#include "tools/common/PropertyNames.h"

namespace {

// Writes the readable form of one code point at `out` and returns the end of it.
const auto PutReadableCharacter = [](char* out, unsigned long codePoint) -> char* {
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
    if (!control || codePoint == '\n' || codePoint == '\t') {
        return PutUtf8(out, codePoint);
    }
    return PutUnicodeEscape(out, codePoint);
};

} // namespace

void TextChunkWriter::BeginBook(const std::string& label) {
    if (!label.empty()) {
        Out.Append("== ");
        Out.Append(label);
        Out.Append(" ==\n");
    }
}

void TextChunkWriter::LoadFailure(HRESULT code, const std::string& reason) {
    Out.Append("load failed " + FormatCode(code) + (reason.empty() ? "" : ": " + reason) + "\n");
}

void TextChunkWriter::End(HRESULT code) {
    Out.Append("end " + FormatCode(code) + "\n");
}

void TextChunkWriter::BeginChunk(const STAT_CHUNK& stat) {
    Out.Append("chunk " + std::to_string(stat.idChunk) + " " + ChunkKind(stat) + " ");
    if (const char* name = KnownPropertyName(stat.attribute)) {
        Out.Append(name);
    } else {
        Out.Append(FormatGuid(stat.attribute.guidPropSet) + " ");
        const PROPSPEC& property = stat.attribute.psProperty;
        if (property.ulKind == PRSPEC_PROPID) {
            Out.Append(std::to_string(property.propid));
        } else if (property.lpwstr != nullptr) {
            WriteWhole(property.lpwstr, Utf16Length(property.lpwstr), PutReadableCharacter);
        }
    }
    Out.Append(':');
    InText = (stat.flags & CHUNK_TEXT) != 0;
    HasText = false;
    if (InText) {
        Out.Append('\n');
    } else if ((stat.flags & CHUNK_VALUE) == 0) {
        Out.Append(" (flags " + std::to_string(static_cast<unsigned>(stat.flags)) + ")\n");
    }
}

void TextChunkWriter::Text(const WCHAR* text, size_t length) {
    if (length != 0) {
        WriteDecoded(text, length, PutReadableCharacter);
        HasText = true;
        LastUnit = text[length - 1];
    }
}

void TextChunkWriter::Value(const WCHAR* text, size_t length, VARTYPE type) {
    if (text != nullptr) {
        Out.Append(' ');
        WriteWhole(text, length, PutReadableCharacter);
    } else {
        Out.Append(" (no string, type " + std::to_string(type) + ")");
    }
    Out.Append('\n');
}

void TextChunkWriter::EndChunk(HRESULT error, const char* fault) {
    if (InText) {
        FinishDecoded(PutReadableCharacter);
        // A part that does not end its last line gets a line feed, so that the next chunk
        // starts on a line of its own.
        if (HasText && LastUnit != '\n') {
            Out.Append('\n');
        }
        InText = false;
    }
    if (error != S_OK) {
        Out.Append("  failed: " + FormatCode(error) + "\n");
    }
    if (fault != nullptr) {
        Out.Append(std::string("  fault: ") + fault + "\n");
    }
}
