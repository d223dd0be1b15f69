// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/Utf16ToUtf8.h"

#include "platform/text/Utf16Length.h"

std::string ToUtf8(const WCHAR* text) {
    std::string result;
    AppendUtf8(result, text, Utf16Length(text));
    return result;
}
