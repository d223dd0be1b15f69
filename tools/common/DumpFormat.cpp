// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/DumpFormat.h"

#include "tools/common/HtmlChunkWriter.h"
#include "tools/common/JsonChunkWriter.h"
#include "tools/common/TextChunkWriter.h"

std::unique_ptr<ChunkWriter> MakeChunkWriter(DumpFormat format, OutputBuffer& out) {
    switch (format) {
    case DumpFormat::Json:
        return std::unique_ptr<ChunkWriter>(new JsonChunkWriter(out));
    case DumpFormat::Html:
        return std::unique_ptr<ChunkWriter>(new HtmlChunkWriter(out));
    case DumpFormat::Text:
        break;
    }
    return std::unique_ptr<ChunkWriter>(new TextChunkWriter(out));
}
