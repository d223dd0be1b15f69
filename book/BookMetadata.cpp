// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/BookMetadata.h"

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

} // namespace

ExthStrings::~ExthStrings() {
    Clear();
}

void ExthStrings::Clear() {
    for (size_t i = 0; i < Length; ++i) {
        std::free(Items[i]);
    }
    std::free(Items);
    Items = nullptr;
    Length = 0;
    Capacity = 0;
}

bool ExthStrings::Read(const MOBIData* book, MOBIExthTag tag) {
    Clear();
    MOBIExthHeader* start = nullptr;
    MOBIExthHeader* record = nullptr;
    while ((record = mobi_next_exthrecord_by_tag(book, tag, &start)) != nullptr) {
        MallocedString decoded(mobi_decode_exthstring(
            book, static_cast<const unsigned char*>(record->data), record->size));
        if (decoded) {
            if (Length == Capacity) {
                const size_t grown = Capacity == 0 ? 4 : Capacity * 2;
                void* items = std::realloc(Items, grown * sizeof(char*));
                if (items == nullptr) {
                    return false;
                }
                Items = static_cast<char**>(items);
                Capacity = grown;
            }
            Items[Length++] = decoded.Detach();
        }
        if (start == nullptr) {
            break;
        }
    }
    return true;
}

MallocedString ExthStrings::Joined() const {
    if (Length == 0) {
        return MallocedString();
    }
    static const char Separator[] = "; ";
    const size_t separatorLength = sizeof(Separator) - 1;
    size_t size = 1;
    for (size_t i = 0; i < Length; ++i) {
        size += std::strlen(Items[i]) + (i == 0 ? 0 : separatorLength);
    }
    MallocedString joined(static_cast<char*>(std::malloc(size)));
    if (!joined) {
        return joined;
    }
    char* out = joined.Get();
    for (size_t i = 0; i < Length; ++i) {
        if (i != 0) {
            std::memcpy(out, Separator, separatorLength);
            out += separatorLength;
        }
        const size_t length = std::strlen(Items[i]);
        std::memcpy(out, Items[i], length);
        out += length;
    }
    *out = 0;
    return joined;
}

MallocedString JoinedExthString(const MOBIData* book, MOBIExthTag tag) {
    ExthStrings strings;
    if (!strings.Read(book, tag)) {
        return MallocedString();
    }
    return strings.Joined();
}

MallocedString BookTitle(const MOBIData* book) {
    MallocedString title = JoinedExthString(book, EXTH_UPDATEDTITLE);
    if (title) {
        return title;
    }
    char fullName[FullNameMax + 1];
    if (mobi_get_fullname(book, fullName, FullNameMax) == MOBI_SUCCESS) {
        return MallocedString(CopyOf(fullName));
    }
    if (book->ph != nullptr) {
        return MallocedString(CopyOf(book->ph->name));
    }
    return MallocedString();
}

MallocedString BookLanguage(const MOBIData* book) {
    MallocedString language = JoinedExthString(book, EXTH_LANGUAGE);
    if (!language && book->mh != nullptr && book->mh->locale != nullptr && *book->mh->locale != 0) {
        const char* name = mobi_get_locale_string(*book->mh->locale);
        if (name != nullptr) {
            language.Reset(CopyOf(name));
        }
    }
    return language;
}

MallocedString BookAuthors(const MOBIData* book) {
    return JoinedExthString(book, EXTH_AUTHOR);
}

MallocedString BookPublisher(const MOBIData* book) {
    return JoinedExthString(book, EXTH_PUBLISHER);
}

MallocedString BookSubjects(const MOBIData* book) {
    return JoinedExthString(book, EXTH_SUBJECT);
}

MallocedString BookDescription(const MOBIData* book) {
    return JoinedExthString(book, EXTH_DESCRIPTION);
}

MallocedString BookPublishingDate(const MOBIData* book) {
    return JoinedExthString(book, EXTH_PUBLISHINGDATE);
}
