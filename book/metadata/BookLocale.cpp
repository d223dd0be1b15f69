// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/metadata/BookLocale.h"

#include "platform/UniqueAny.h"

namespace {

constexpr unsigned SublanguageShift = 10;
constexpr LCID PrimaryLanguageMask = (1u << SublanguageShift) - 1;
constexpr LCID PrimaryChinese = 0x04;
constexpr LCID SublanguageDefault = 1;
// Chinese has no neutral default: Windows takes simplified Chinese (PRC).
constexpr LCID SublanguageChineseSimplified = 2;

} // namespace

LCID WithDefaultSublanguage(size_t locale) {
    if (locale == 0 || (locale >> SublanguageShift) != 0) {
        return static_cast<LCID>(locale);
    }
    const LCID primary = static_cast<LCID>(locale) & PrimaryLanguageMask;
    const LCID sublanguage =
        primary == PrimaryChinese ? SublanguageChineseSimplified : SublanguageDefault;
    return primary | (sublanguage << SublanguageShift);
}

LCID BookLocale(const MOBIData* book) {
    // The header of the part libmobi reads the metadata from: the KF8 one of a hybrid.
    const uint32_t* field = book->mh != nullptr ? book->mh->locale : nullptr;
    // 0 is what libmobi calls "neutral": the book does not say.
    if (field != nullptr && *field != 0 && mobi_get_locale_string(*field) != nullptr) {
        return WithDefaultSublanguage(*field);
    }
    const MallocedString language(mobi_meta_get_language(book));
    return WithDefaultSublanguage(mobi_get_locale_number(language.Get()));
}
