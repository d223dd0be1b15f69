#include "tools/ChunkDumper.h"

#include "platform/CoTaskMemPtr.h"
#include "tools/JsonWriter.h"
#include "tools/Utf16ToUtf8.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// A filter that never ends its sequence would keep the tool busy forever.
const unsigned long MaxGetChunkCalls = 1UL << 22;

const char* KnownPropertyName(const FULLPROPSPEC& property) {
    if (property.psProperty.ulKind != PRSPEC_PROPID) {
        return nullptr;
    }
    const PROPERTYKEY* const known[] = {&PKEY_Title, &PKEY_Author, &PKEY_Search_Contents};
    const char* const names[] = {"Title", "Author", "Contents"};
    for (size_t i = 0; i < 3; ++i) {
        if (property.guidPropSet == known[i]->fmtid &&
            property.psProperty.propid == known[i]->pid) {
            return names[i];
        }
    }
    return nullptr;
}

std::string FormatGuid(const GUID& guid) {
    char buffer[40];
    std::snprintf(buffer, sizeof(buffer), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return buffer;
}

size_t Utf16Length(const WCHAR* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

// Readable output goes to a terminal: control characters other than line feed and tab are
// shown as \u00xx instead of being sent raw.
void AppendReadable(std::string& out, const WCHAR* text, size_t length) {
    static const char Hex[] = "0123456789abcdef";
    size_t index = 0;
    while (index < length) {
        const unsigned long codePoint = NextCodePoint(text, length, &index);
        const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
        if (control && codePoint != '\n' && codePoint != '\t') {
            out += "\\u00";
            out += Hex[codePoint >> 4];
            out += Hex[codePoint & 0xF];
        } else {
            AppendCodePoint(out, codePoint);
        }
    }
}

} // namespace

struct ChunkDumper::ChunkResult {
    std::vector<WCHAR> Text;
    bool HasString = false;
    VARTYPE ValueType = VT_EMPTY;
    // The failure code of GetText or GetValue, S_OK when there was none.
    HRESULT Error = S_OK;
    // A broken promise of the IFilter contract, null when there was none.
    const char* Fault = nullptr;
};

ChunkDumper::ChunkDumper(DumpFormat format, ULONG portionSize, Sink sink)
    : Format(format), PortionSize(portionSize == 0 ? 1 : portionSize), Output(std::move(sink)) {}

void ChunkDumper::SetFileLabel(const std::string& label) {
    FileLabel = label;
}

HRESULT ChunkDumper::Dump(IFilter* filter) {
    WriteHeader();
    ULONG flags = 0;
    const HRESULT initResult =
        filter->Init(IFILTER_INIT_CANON_PARAGRAPHS | IFILTER_INIT_HARD_LINE_BREAKS |
                         IFILTER_INIT_APPLY_INDEX_ATTRIBUTES | IFILTER_INIT_INDEXING_ONLY,
                     0, nullptr, &flags);
    if (FAILED(initResult)) {
        WriteEnd(initResult);
        return initResult;
    }
    for (unsigned long calls = 0;; ++calls) {
        if (calls == MaxGetChunkCalls) {
            WriteEnd(E_UNEXPECTED);
            return E_UNEXPECTED;
        }
        STAT_CHUNK stat;
        std::memset(&stat, 0, sizeof(stat));
        const HRESULT chunkResult = filter->GetChunk(&stat);
        if (FAILED(chunkResult)) {
            WriteEnd(chunkResult);
            return chunkResult;
        }
        // Another success code (S_FALSE: nothing this time) hands out no chunk; the host
        // asks again, as it does until GetChunk fails.
        if (chunkResult != S_OK) {
            continue;
        }
        ChunkResult result;
        if (stat.flags & CHUNK_TEXT) {
            DrainText(filter, result);
        } else if (stat.flags & CHUNK_VALUE) {
            TakeValue(filter, result);
        }
        ++ChunkCount;
        CharacterCount += result.Text.size();
        WriteChunk(stat, result);
    }
}

void ChunkDumper::DrainText(IFilter* filter, ChunkResult& result) {
    std::vector<WCHAR> buffer(static_cast<size_t>(PortionSize) + 1);
    for (;;) {
        ULONG count = static_cast<ULONG>(buffer.size());
        const HRESULT hr = filter->GetText(&count, buffer.data());
        if (hr == FILTER_E_NO_MORE_TEXT) {
            return;
        }
        if (hr != S_OK && hr != FILTER_S_LAST_TEXT) {
            result.Error = hr;
            return;
        }
        if (count > PortionSize) {
            result.Fault = "GetText reported more characters than the buffer holds";
            return;
        }
        if (buffer[count] != 0) {
            result.Fault = "GetText did not terminate the portion";
        }
        result.Text.insert(result.Text.end(), buffer.begin(), buffer.begin() + count);
        if (hr == FILTER_S_LAST_TEXT) {
            return;
        }
        if (count == 0) {
            result.Fault = "GetText returned S_OK without text";
            return;
        }
    }
}

void ChunkDumper::TakeValue(IFilter* filter, ChunkResult& result) {
    // The host owns the PROPVARIANT it receives: its content is cleared with
    // PropVariantClear and the block itself freed with CoTaskMemFree.
    CoTaskMemPtr<PROPVARIANT> value;
    const HRESULT hr = filter->GetValue(value.Put());
    if (FAILED(hr)) {
        result.Error = hr;
        return;
    }
    if (!value) {
        result.Fault = "GetValue succeeded without a value";
        return;
    }
    result.ValueType = value->vt;
    if (value->vt == VT_LPWSTR && value->pwszVal != nullptr) {
        result.HasString = true;
        result.Text.assign(value->pwszVal, value->pwszVal + Utf16Length(value->pwszVal));
    }
    PropVariantClear(value.Get());
}

void ChunkDumper::WriteHeader() {
    if (Format == DumpFormat::Text && !FileLabel.empty()) {
        Output("== " + FileLabel + " ==\n");
    }
}

void ChunkDumper::WriteChunk(const STAT_CHUNK& stat, const ChunkResult& result) {
    const bool isText = (stat.flags & CHUNK_TEXT) != 0;
    const bool isValue = !isText && (stat.flags & CHUNK_VALUE) != 0;
    const char* kind = isText ? "text" : isValue ? "value" : "none";
    const char* name = KnownPropertyName(stat.attribute);
    const bool byId = stat.attribute.psProperty.ulKind == PRSPEC_PROPID;
    const WCHAR* propertyName = byId ? nullptr : stat.attribute.psProperty.lpwstr;

    if (Format == DumpFormat::Json) {
        JsonWriter line;
        if (!FileLabel.empty()) {
            line.Utf8String("file", FileLabel);
        }
        line.Number("chunk", stat.idChunk);
        line.Utf8String("kind", kind);
        if (name == nullptr) {
            if (stat.flags != CHUNK_TEXT && stat.flags != CHUNK_VALUE) {
                line.Number("flags", static_cast<unsigned long long>(stat.flags));
            }
            line.Utf8String("fmtid", FormatGuid(stat.attribute.guidPropSet));
        }
        if (byId) {
            line.Number("propid", stat.attribute.psProperty.propid);
        } else if (propertyName != nullptr) {
            line.String("propname", propertyName, Utf16Length(propertyName));
        }
        if (stat.breakType != CHUNK_NO_BREAK) {
            line.Number("break", static_cast<unsigned long long>(stat.breakType));
        }
        if (stat.locale != 0) {
            line.Number("locale", stat.locale);
        }
        if (isText) {
            line.String("text", result.Text.data(), result.Text.size());
        } else if (isValue) {
            if (result.HasString) {
                line.String("value", result.Text.data(), result.Text.size());
            } else {
                if (result.ValueType != VT_EMPTY) {
                    line.Number("vt", result.ValueType);
                }
                line.Null("value");
            }
        }
        if (result.Error != S_OK) {
            line.Code("error", result.Error);
        }
        if (result.Fault != nullptr) {
            line.Utf8String("fault", result.Fault);
        }
        Output(line.Line());
        return;
    }

    std::string out = "chunk " + std::to_string(stat.idChunk) + " " + kind + " ";
    if (name != nullptr) {
        out += name;
    } else {
        out += FormatGuid(stat.attribute.guidPropSet) + " ";
        if (byId) {
            out += std::to_string(stat.attribute.psProperty.propid);
        } else if (propertyName != nullptr) {
            AppendReadable(out, propertyName, Utf16Length(propertyName));
        }
    }
    out += ":";
    if (isText) {
        out += "\n";
        AppendReadable(out, result.Text.data(), result.Text.size());
        if (!result.Text.empty() && result.Text.back() != '\n') {
            out += "\n";
        }
    } else if (isValue) {
        if (result.HasString) {
            out += " ";
            AppendReadable(out, result.Text.data(), result.Text.size());
        } else {
            out += " (no string, type " + std::to_string(result.ValueType) + ")";
        }
        out += "\n";
    } else {
        out += " (flags " + std::to_string(static_cast<unsigned>(stat.flags)) + ")\n";
    }
    if (result.Error != S_OK) {
        out += "  failed: " + FormatCode(result.Error) + "\n";
    }
    if (result.Fault != nullptr) {
        out += std::string("  fault: ") + result.Fault + "\n";
    }
    Output(out);
}

void ChunkDumper::WriteCodeLine(const char* key, const char* text, HRESULT code) {
    if (Format == DumpFormat::Json) {
        JsonWriter line;
        if (!FileLabel.empty()) {
            line.Utf8String("file", FileLabel);
        }
        Output(line.Code(key, code).Line());
    } else {
        Output(std::string(text) + " " + FormatCode(code) + "\n");
    }
}

void ChunkDumper::WriteEnd(HRESULT code) {
    WriteCodeLine("end", "end", code);
}

void ChunkDumper::WriteLoadFailure(HRESULT code) {
    WriteHeader();
    WriteCodeLine("load", "load failed", code);
}
