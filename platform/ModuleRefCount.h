// SPDX-License-Identifier: LGPL-3.0-or-later
// The count that tells a host whether it may unload the module.
#pragma once

#include "platform/Platform.h"

// Live objects of the module (its class factories and the objects they make: filters,
// property stores, thumbnail providers) and outstanding server locks: the host may unload
// the module when it is 0. Changed only with InterlockedIncrement and InterlockedDecrement;
// read with an interlocked exchange that never changes it.
extern LONG volatile ModuleRefCount;
