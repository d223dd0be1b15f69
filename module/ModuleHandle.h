// SPDX-License-Identifier: LGPL-3.0-or-later
// The module's own instance handle.
#pragma once

#include "platform/Platform.h"

// Stored once at process attach; registration reads it to find the module's path.
extern HINSTANCE ModuleHandle;
