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

namespace {

// The properties the book filter hands out, by the names Windows shows for them.
struct KnownProperty {
    const PROPERTYKEY* Key;
    const char* Name;
};

const KnownProperty KnownProperties[] = {
    {&PKEY_Title, "Title"},
    {&PKEY_Author, "Author"},
    {&PKEY_Media_Publisher, "Publisher"},
    {&PKEY_Keywords, "Keywords"},
    {&PKEY_Comment, "Comment"},
    {&PKEY_Media_DateReleased, "Date released"},
    {&PKEY_Language, "Language"},
    {&PKEY_Search_Contents, "Contents"},
};

} // namespace

const char* KnownPropertyName(const FULLPROPSPEC& property) {
    for (const KnownProperty& known : KnownProperties) {
        if (IsProperty(property, *known.Key)) {
            return known.Name;
        }
    }
    return nullptr;
}
