// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/ChunkWriter.h"

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
