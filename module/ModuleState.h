// SPDX-License-Identifier: LGPL-3.0-or-later
// Module-wide state: the count that decides when the host may unload the module (declared
// with the COM objects that keep it) and the module's own instance handle.
#pragma once

#include "platform/ComObject.h"
#include "platform/Platform.h"

// Stored once at process attach; registration reads it to find the module's path.
extern HINSTANCE ModuleHandle;
