// SPDX-License-Identifier: LGPL-3.0-or-later
// Runs the table of malformed UTF-8 (tests/support/MalformedUtf8Cases.h), which the native
// layer's MultiByteToWideChar is tested against, through the real one of Windows or Wine: the
// native layer must count U+FFFD as the system it stands in for.
// Prints "ok: NAME" or "FAIL: NAME: the units" per case; exits 1 when any failed.
#include "platform/Platform.h"
#include "tests/support/MalformedUtf8Cases.h"

#include <cstdio>
#include <string>

int wmain() {
    int failures = 0;
    for (const MalformedUtf8Case& c : MalformedUtf8Cases()) {
        WCHAR units[64];
        const int count = MultiByteToWideChar(CP_UTF8, 0, c.Bytes.data(),
                                              static_cast<int>(c.Bytes.size()), units, 64);
        const std::u16string got(reinterpret_cast<const char16_t*>(units),
                                 static_cast<size_t>(count > 0 ? count : 0));
        const std::u16string& expected = c.WineUnits.empty() ? c.Units : c.WineUnits;
        if (got == expected) {
            std::printf("ok: %s\n", c.Name);
            continue;
        }
        ++failures;
        std::printf("FAIL: %s:", c.Name);
        for (char16_t unit : got) {
            std::printf(" %04X", static_cast<unsigned>(unit));
        }
        std::printf("\n");
    }
    return failures == 0 ? 0 : 1;
}
