// SPDX-License-Identifier: LGPL-3.0-or-later
// Why a file did not open, in the words both tools use for it.
#pragma once

#include "platform/Platform.h"

#include <string>

// "cannot open: no such file or directory (0x80070002)": the code that the open gave, in words
// where it has some ("access denied", "used by another program"), else the code alone.
// `folder` says that the path names a folder, which an open as a file refuses as access
// denied: "a directory" then. Short of memory, "out of memory (0x8007000e)", as any failure.
std::string OpenFailureWords(HRESULT opened, bool folder);
