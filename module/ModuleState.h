// Module-wide state: the count that decides when the host may unload the module, and the
// module's own instance handle.
#pragma once

#include "platform/Platform.h"

// Live class factories + live filter objects + outstanding server locks. Changed only with
// InterlockedIncrement and InterlockedDecrement.
extern LONG volatile ModuleRefCount;

// Stored once at process attach; registration reads it to find the module's path.
extern HINSTANCE ModuleHandle;
