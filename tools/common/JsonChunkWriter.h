// SPDX-License-Identifier: LGPL-3.0-or-later
// JSON Lines: one object per chunk, keys in a fixed order, strings in UTF-8 with the escapes of
// RFC 8259.
//   {"chunk":1,"kind":"value","fmtid":"{F29F85E0-...}","propid":2,"locale":1033,"break":0,
//    "value":"..."}
//   {"chunk":3,"kind":"text","fmtid":"{B725F130-...}","propid":19,"locale":1033,"break":3,
//    "text":"..."}
//   {"end":"0x80041700"}
// or, for a book that cannot be bound, {"load":"0x80004005","reason":"not a Palm database"}
// ("reason" when the module says why).
// A labelled book starts every line with "file". Every chunk gives its property set ("fmtid",
// upper-case and braced), its "propid" (or, for a property named by string, "propname"), its
// "locale" and its "break", zeros included; "flags" follows "kind" when they are neither text
// nor value. "error" and "fault" close the line when the chunk had them. A text chunk's string
// is opened when the chunk begins and its portions are written as they come.
#pragma once

#include "tools/common/ChunkWriter.h"

class JsonChunkWriter final : public ChunkWriter {
public:
    explicit JsonChunkWriter(OutputBuffer& out) : ChunkWriter(out) {}

    void BeginBook(const std::string& label) override;
    void LoadFailure(HRESULT code, const std::string& reason) override;
    void BeginChunk(const STAT_CHUNK& stat) override;
    void Text(const WCHAR* text, size_t length) override;
    void Value(const WCHAR* text, size_t length, VARTYPE type) override;
    void EndChunk(HRESULT error, const char* fault) override;
    void End(HRESULT code) override;

private:
    // {"KEY":"0x…"}, with "reason" when there is one.
    void CodeLine(const char* key, HRESULT code, const std::string& reason = std::string());
    void Code(HRESULT code);
    void Number(unsigned long long value);
    // A whole string with its quotes.
    void String(const WCHAR* text, size_t length);
    void Utf8String(const std::string& text);

    // "{" or {"file":"...", : what every line of the book starts with.
    std::string LineStart = "{";
};

// Appends `text` as a quoted JSON string, as the writer does: for names and messages.
void AppendJsonString(std::string& out, const WCHAR* text, size_t length);
