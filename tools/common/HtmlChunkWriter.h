// SPDX-License-Identifier: LGPL-3.0-or-later
// One HTML document per book, the form a desktop search engine's "exec" handler prints (Recoll
// reads it for the body text, <title> for the title field, the author meta for the author, the
// keywords meta for its keywords and the description meta for the abstract it shows):
//   <html>
//   <head>
//   <meta http-equiv="Content-Type" content="text/html; charset=utf-8">
//   <title>TITLE</title>                       when the book has a title
//   <meta name="author" content="AUTHOR">      when it has an author
//   <meta name="keywords" content="SUBJECTS">  when it has subjects (PKEY_Keywords)
//   <meta name="description" content="TEXT">   when it has a description (PKEY_Comment)
//   </head>
//   <body>
//   <p>LINE</p>                                one per line of text that is not empty
//   </body>
//   </html>
// A book that cannot be bound writes nothing at all. Values come into the head until the first
// text chunk; the text is cut into lines at LF, CR, U+2028 and U+2029 and at the end of every
// chunk, and is written as it comes: the state is whether the head and a line are open.
#pragma once

#include "tools/common/ChunkWriter.h"

class HtmlChunkWriter final : public ChunkWriter {
public:
    explicit HtmlChunkWriter(OutputBuffer& out) : ChunkWriter(out) {}

    void BeginBook(const std::string& label) override;
    void LoadFailure(HRESULT code, const std::string& reason) override;
    void BeginChunk(const STAT_CHUNK& stat) override;
    void Text(const WCHAR* text, size_t length) override;
    void Value(const WCHAR* text, size_t length, VARTYPE type) override;
    void EndChunk(HRESULT error, const char* fault) override;
    void End(HRESULT code) override;

    // A document has no place for a failed chunk: the book ends there.
    bool RecordsFailures() const override { return false; }

private:
    enum class Part { Nothing, Head, Body };
    // A value written into the head: its property and the markup around it.
    struct HeadField {
        const PROPERTYKEY* Key;
        const char* Open;
        const char* Close;
    };
    static const HeadField HeadFields[];

    void OpenHead();
    void OpenBody();
    void CloseLine();
    // The body's form of one code point: a line break closes the line, anything else opens
    // one if none is open.
    char* PutBodyCharacter(char* out, unsigned long codePoint);

    Part At = Part::Nothing;
    // What the value of the current chunk becomes.
    const HeadField* Current = nullptr;
    bool InLine = false;
};

// Whether `codePoint` ends a line of text: LF, CR, U+2028 or U+2029.
inline bool IsHtmlLineBreak(unsigned long codePoint) {
    return codePoint == '\n' || codePoint == '\r' || codePoint == 0x2028 || codePoint == 0x2029;
}

// Writes one code point of text or of an attribute value at `out` and returns the end: the four
// markup characters as entities, control characters other than tab, LF and CR as a space,
// anything else as UTF-8. At most six bytes ("&quot;").
char* PutHtmlCharacter(char* out, unsigned long codePoint);
