// SPDX-License-Identifier: LGPL-3.0-or-later
// A book on disk as the shell hands it to a handler: a read-only file stream that others may
// read beside.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

// The stream of the book at `path`, or why it cannot be opened.
HRESULT OpenBookStream(const WCHAR* path, IStream** stream);

// The same, or false after a line on standard error that says why in words (no such file, a
// folder, access denied).
bool OpenBookStreamOrSay(const WCHAR* path, ComPtr<IStream>& stream);
