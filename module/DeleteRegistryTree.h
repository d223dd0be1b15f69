// Deletes a key with everything beneath it, deepest first. Returns a Win32 error code, 0 on
// success; a failure anywhere below is returned unchanged and every key above it stays.
#pragma once

#include "platform/Platform.h"

LONG DeleteRegistryTree(HKEY parent, LPCWSTR path);
