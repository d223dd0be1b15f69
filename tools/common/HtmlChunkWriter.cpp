// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/HtmlChunkWriter.h"

#include "platform/Platform.h"

#include <cstring>

namespace {

const char DocumentStart[] =
    "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
const char HeadEnd[] = "</head>\n<body>\n";
const char DocumentEnd[] = "</body>\n</html>\n";
const char LineStart[] = "<p>";
const char LineEnd[] = "</p>\n";

// The most one UTF-16 unit becomes in the body: a line opened by "&quot;" ("<p>&quot;").
const size_t MaxBodyBytesPerUnit = sizeof(LineStart) - 1 + 6;

template <size_t N> char* PutLiteral(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

// A value of the head stays on its one line: a line break in it is a space.
const auto PutValueCharacter = [](char* out, unsigned long codePoint) -> char* {
    return PutHtmlCharacter(out, IsHtmlLineBreak(codePoint) ? ' ' : codePoint);
};

} // namespace

// What Recoll reads from the head: the title, the author, the keywords and the abstract. A date
// meta would replace the file's own date in its sorting and date queries, and it has no field
// for a publisher or a language, so those values are not written.
const HtmlChunkWriter::HeadField HtmlChunkWriter::HeadFields[] = {
    {&PKEY_Title, "<title>", "</title>\n"},
    {&PKEY_Author, "<meta name=\"author\" content=\"", "\">\n"},
    {&PKEY_Keywords, "<meta name=\"keywords\" content=\"", "\">\n"},
    {&PKEY_Comment, "<meta name=\"description\" content=\"", "\">\n"},
};

char* PutHtmlCharacter(char* out, unsigned long codePoint) {
    switch (codePoint) {
    case '&':
        return PutLiteral(out, "&amp;");
    case '<':
        return PutLiteral(out, "&lt;");
    case '>':
        return PutLiteral(out, "&gt;");
    case '"':
        return PutLiteral(out, "&quot;");
    default:
        break;
    }
    const bool control =
        (codePoint < 0x20 && codePoint != '\t' && codePoint != '\n' && codePoint != '\r') ||
        (codePoint >= 0x7F && codePoint < 0xA0);
    return PutUtf8(out, control ? ' ' : codePoint);
}

char* HtmlChunkWriter::PutBodyCharacter(char* out, unsigned long codePoint) {
    if (IsHtmlLineBreak(codePoint)) {
        if (InLine) {
            InLine = false;
            out = PutLiteral(out, LineEnd);
        }
        return out;
    }
    if (!InLine) {
        InLine = true;
        out = PutLiteral(out, LineStart);
    }
    return PutHtmlCharacter(out, codePoint);
}

void HtmlChunkWriter::BeginBook(const std::string&) {
    // Nothing yet: a book that cannot be bound must leave the output empty.
    At = Part::Nothing;
    Current = nullptr;
    InText = false;
    InLine = false;
    Decoder = Utf16Decoder();
}

void HtmlChunkWriter::LoadFailure(HRESULT, const std::string&) {}

void HtmlChunkWriter::OpenHead() {
    if (At == Part::Nothing) {
        Out.Append(DocumentStart, sizeof(DocumentStart) - 1);
        At = Part::Head;
    }
}

void HtmlChunkWriter::OpenBody() {
    OpenHead();
    if (At == Part::Head) {
        Out.Append(HeadEnd, sizeof(HeadEnd) - 1);
        At = Part::Body;
    }
}

void HtmlChunkWriter::CloseLine() {
    if (InLine) {
        Out.Append(LineEnd, sizeof(LineEnd) - 1);
        InLine = false;
    }
}

void HtmlChunkWriter::BeginChunk(const STAT_CHUNK& stat) {
    Current = nullptr;
    InText = (stat.flags & CHUNK_TEXT) != 0;
    if (InText) {
        OpenBody();
        return;
    }
    OpenHead();
    // A value after the first text has no place left: the head is closed.
    if (At == Part::Head && (stat.flags & CHUNK_VALUE) != 0) {
        for (const HeadField& field : HeadFields) {
            if (IsProperty(stat.attribute, *field.Key)) {
                Current = &field;
                break;
            }
        }
    }
}

void HtmlChunkWriter::Text(const WCHAR* text, size_t length) {
    WriteDecoded(
        text, length,
        [this](char* out, unsigned long codePoint) { return PutBodyCharacter(out, codePoint); },
        MaxBodyBytesPerUnit);
}

void HtmlChunkWriter::Value(const WCHAR* text, size_t length, VARTYPE) {
    if (Current == nullptr || text == nullptr || length == 0) {
        return;
    }
    Out.Append(Current->Open);
    WriteWhole(text, length, PutValueCharacter);
    Out.Append(Current->Close);
}

void HtmlChunkWriter::EndChunk(HRESULT, const char*) {
    if (InText) {
        // A high surrogate that ends the text is one more character of the last line.
        FinishDecoded(
            [this](char* out, unsigned long codePoint) { return PutBodyCharacter(out, codePoint); },
            MaxBodyBytesPerUnit);
        CloseLine();
        InText = false;
    }
    Current = nullptr;
}

void HtmlChunkWriter::End(HRESULT) {
    OpenBody();
    CloseLine();
    Out.Append(DocumentEnd, sizeof(DocumentEnd) - 1);
}
