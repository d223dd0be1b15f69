// SPDX-License-Identifier: LGPL-3.0-or-later
// Readable text, for a person at a terminal:
//   == books/harbor.mobi ==          (when the book is labelled)
//   chunk 1 value Title: Harbor
//   chunk 3 text Contents:
//   the text of the part, as it comes, ending with a line feed
//   end 0x80041700                   or, for a book that cannot be bound, load failed 0x...
// Control characters other than line feed and tab are shown as \u00xx instead of being sent
// to the terminal raw.
#pragma once

#include "tools/common/ChunkWriter.h"

class TextChunkWriter final : public ChunkWriter {
public:
    explicit TextChunkWriter(OutputBuffer& out) : ChunkWriter(out) {}

    void BeginBook(const std::string& label) override;
    void LoadFailure(HRESULT code, const std::string& reason) override;
    void BeginChunk(const STAT_CHUNK& stat) override;
    void Text(const WCHAR* text, size_t length) override;
    void Value(const WCHAR* text, size_t length, VARTYPE type) override;
    void EndChunk(HRESULT error, const char* fault) override;
    void End(HRESULT code) override;

private:
    // Whether the chunk's text has come, and its last unit: a text that does not end with a
    // line feed gets one.
    bool HasText = false;
    WCHAR LastUnit = 0;
};
