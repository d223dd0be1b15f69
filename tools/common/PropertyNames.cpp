// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/PropertyNames.h"

namespace {

// The properties of the filter's chunks and of the property handler: the canonical name of
// each, and the name Windows shows for it, given where the filter hands it out.
struct PropertyName {
    const PROPERTYKEY* Key;
    const char* Canonical;
    const char* Shown;
};

const PropertyName PropertyNames[] = {
    {&PKEY_Title, "System.Title", "Title"},
    {&PKEY_Author, "System.Author", "Author"},
    {&PKEY_Media_Publisher, "System.Media.Publisher", "Publisher"},
    {&PKEY_Keywords, "System.Keywords", "Keywords"},
    {&PKEY_Comment, "System.Comment", "Comment"},
    {&PKEY_Media_DateReleased, "System.Media.DateReleased", "Date released"},
    {&PKEY_Media_Year, "System.Media.Year", nullptr},
    {&PKEY_Language, "System.Language", "Language"},
    {&PKEY_Search_Contents, nullptr, "Contents"},
};

const PropertyName* FindPropertyName(const PROPERTYKEY& key) {
    for (const PropertyName& entry : PropertyNames) {
        if (IsEqualPropertyKey(*entry.Key, key)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

const char* CanonicalPropertyName(const PROPERTYKEY& key) {
    const PropertyName* const found = FindPropertyName(key);
    return found != nullptr ? found->Canonical : nullptr;
}

const char* KnownPropertyName(const FULLPROPSPEC& property) {
    if (property.psProperty.ulKind != PRSPEC_PROPID) {
        return nullptr;
    }
    const PropertyName* const found =
        FindPropertyName(PROPERTYKEY{property.guidPropSet, property.psProperty.propid});
    return found != nullptr ? found->Shown : nullptr;
}
