// SPDX-License-Identifier: LGPL-3.0-or-later
// What the command lines of quillsift-dump and quillsift-host share: the exit codes, and the
// --buffer option, how many characters one GetText may hand out.
#pragma once

#include "platform/Platform.h"

#include <string>

// Every book was loaded and the output written.
const int ExitAllLoaded = 0;
// A book could not be opened or loaded, or the output could not be written.
const int ExitSomeFailed = 1;
const int ExitUsage = 2;
// The filter library could not be loaded, or was still in use at the end (quillsift-dump);
// quillsift.dll or its registration function could not be found (quillsift-host --register).
const int ExitLibraryFailed = 3;
// There is no Windows Search to ask (quillsift-host --reindex).
const int ExitSearchUnavailable = 4;

const ULONG DefaultBufferSize = 4096;
const ULONG MaxBufferSize = 1UL << 24;

// Decimal digits only, from 1 to MaxBufferSize; false for anything else.
bool ParseBufferSize(const std::string& text, ULONG& size);

// The usage error for a value that ParseBufferSize refuses.
std::string BufferSizeError();
