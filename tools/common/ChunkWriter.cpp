// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/ChunkWriter.h"

#include "tools/common/HtmlChunkWriter.h"
#include "tools/common/JsonChunkWriter.h"
#include "tools/common/TextChunkWriter.h"

std::unique_ptr<ChunkWriter> MakeChunkWriter(DumpFormat format, OutputBuffer& out) {
    if (format == DumpFormat::Json) {
        return std::unique_ptr<ChunkWriter>(new JsonChunkWriter(out));
    }
    if (format == DumpFormat::Html) {
        return std::unique_ptr<ChunkWriter>(new HtmlChunkWriter(out));
    }
    return std::unique_ptr<ChunkWriter>(new TextChunkWriter(out));
}

const char* ChunkKind(const STAT_CHUNK& stat) {
    if (stat.flags & CHUNK_TEXT) {
        return "text";
    }
    return (stat.flags & CHUNK_VALUE) ? "value" : "none";
}

bool IsProperty(const FULLPROPSPEC& property, const PROPERTYKEY& key) {
    return property.psProperty.ulKind == PRSPEC_PROPID && property.guidPropSet == key.fmtid &&
           property.psProperty.propid == key.pid;
}

const char* KnownPropertyName(const FULLPROPSPEC& property) {
    const PROPERTYKEY* const known[] = {&PKEY_Title, &PKEY_Author, &PKEY_Search_Contents};
    const char* const names[] = {"Title", "Author", "Contents"};
    for (size_t i = 0; i < 3; ++i) {
        if (IsProperty(property, *known[i])) {
            return names[i];
        }
    }
    return nullptr;
}
