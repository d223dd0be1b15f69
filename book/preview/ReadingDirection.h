// SPDX-License-Identifier: LGPL-3.0-or-later
// Which way a book's lines run, from its locale.
#pragma once

#include "platform/Platform.h"

// True for the languages written right to left in the script Windows gives them: Arabic,
// Hebrew, Persian, Urdu, Yiddish, Pashto, Syriac, Divehi, Uyghur, Dari and Central Kurdish,
// whatever the sublanguage.
bool IsRightToLeftLocale(LCID locale);
