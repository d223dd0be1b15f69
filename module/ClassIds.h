// SPDX-License-Identifier: LGPL-3.0-or-later
// The class ids the module hands out and registers, spelled exactly as they are written to the
// registry: the classes' in upper-case hexadecimal digits, the persistent handler's with a
// lower-case digit in its third group. The narrow spellings let key paths be assembled from
// them at compile time, so that no copy can drift from the other.
#pragma once

#include "platform/Platform.h"

#define BOOK_FILTER_CLSID_TEXT "{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}"
#define BOOK_PERSISTENT_HANDLER_CLSID_TEXT "{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}"
#define BOOK_PROPERTY_HANDLER_CLSID_TEXT "{C8313FCD-030E-4C95-8F1D-3A93ACC73D2C}"
#define BOOK_THUMBNAIL_PROVIDER_CLSID_TEXT "{C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC}"
#define BOOK_PREVIEW_HANDLER_CLSID_TEXT "{C59EB6AC-7416-4CF7-84CC-4372D2F7EA2E}"
#define IFILTER_IID_TEXT "{89BCB740-6119-101A-BCB7-00DD010655AF}"

// The filter's class, held once: registration writes this string and CreateInstance converts it.
inline constexpr WCHAR CLSID_BookFilter[] = UTF16("" BOOK_FILTER_CLSID_TEXT);

// The persistent handler that .mobi, .azw and .azw3 name; its IFilter add-in is
// CLSID_BookFilter.
inline constexpr WCHAR CLSID_BookPersistentHandler[] = UTF16("" BOOK_PERSISTENT_HANDLER_CLSID_TEXT);
// The book's property handler (Explorer's columns and details), thumbnail provider (covers) and
// preview handler (Explorer's preview pane).
inline constexpr WCHAR CLSID_BookPropertyHandler[] = UTF16("" BOOK_PROPERTY_HANDLER_CLSID_TEXT);
inline constexpr WCHAR CLSID_BookThumbnailProvider[] = UTF16("" BOOK_THUMBNAIL_PROVIDER_CLSID_TEXT);
inline constexpr WCHAR CLSID_BookPreviewHandler[] = UTF16("" BOOK_PREVIEW_HANDLER_CLSID_TEXT);
