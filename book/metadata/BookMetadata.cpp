// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/metadata/BookMetadata.h"

#include "book/metadata/ExthStrings.h"

#include <cstdlib>
#include <cstring>

namespace {

// libmobi's MOBI_TITLE_SIZEMAX, which its own title getter reads the full name with.
constexpr size_t FullNameMax = 1024;

char* CopyOf(const char* text) {
    const size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}

MallocedString JoinedExthString(const MOBIData* book, uint32_t tag) {
    ExthStrings strings;
    if (!strings.Read(book, static_cast<MOBIExthTag>(tag))) {
        return MallocedString();
    }
    return strings.Joined();
}

MallocedString TitleFallback(const MOBIData* book) {
    char fullName[FullNameMax + 1];
    if (mobi_get_fullname(book, fullName, FullNameMax) == MOBI_SUCCESS) {
        return MallocedString(CopyOf(fullName));
    }
    if (book->ph != nullptr) {
        return MallocedString(CopyOf(book->ph->name));
    }
    return MallocedString();
}

MallocedString LanguageFallback(const MOBIData* book) {
    if (book->mh != nullptr && book->mh->locale != nullptr && *book->mh->locale != 0) {
        const char* name = mobi_get_locale_string(*book->mh->locale);
        if (name != nullptr) {
            return MallocedString(CopyOf(name));
        }
    }
    return MallocedString();
}

} // namespace

MallocedString BookValueString(const MOBIData* book, const BookPropertyRow& row) {
    if (row.Source == PropertySource::Text) {
        return MallocedString();
    }
    MallocedString value = JoinedExthString(book, row.ExthTag);
    if (value) {
        return value;
    }
    switch (row.Source) {
    case PropertySource::Title:
        return TitleFallback(book);
    case PropertySource::Language:
        return LanguageFallback(book);
    default:
        return value;
    }
}
