// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/PropertyNames.h"

#include "book/metadata/BookPropertyTable.h"

const char* CanonicalPropertyName(const PROPERTYKEY& key) {
    const BookPropertyRow* const found = FindBookProperty(key);
    return found != nullptr ? found->CanonicalName : nullptr;
}

const char* KnownPropertyName(const FULLPROPSPEC& property) {
    if (property.psProperty.ulKind != PRSPEC_PROPID) {
        return nullptr;
    }
    const BookPropertyRow* const found =
        FindBookProperty(PROPERTYKEY{property.guidPropSet, property.psProperty.propid});
    return found != nullptr ? found->ShownName : nullptr;
}
