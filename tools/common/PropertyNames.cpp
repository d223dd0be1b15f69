// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/PropertyNames.h"

namespace {

struct PropertyName {
    const PROPERTYKEY* Key;
    const char* Name;
};

const PropertyName PropertyNames[] = {
    {&PKEY_Title, "System.Title"},
    {&PKEY_Author, "System.Author"},
    {&PKEY_Media_Publisher, "System.Media.Publisher"},
    {&PKEY_Keywords, "System.Keywords"},
    {&PKEY_Comment, "System.Comment"},
    {&PKEY_Media_DateReleased, "System.Media.DateReleased"},
    {&PKEY_Media_Year, "System.Media.Year"},
    {&PKEY_Language, "System.Language"},
};

} // namespace

const char* CanonicalPropertyName(const PROPERTYKEY& key) {
    for (const PropertyName& entry : PropertyNames) {
        if (IsEqualPropertyKey(*entry.Key, key)) {
            return entry.Name;
        }
    }
    return nullptr;
}
