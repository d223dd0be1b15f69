// SPDX-License-Identifier: LGPL-3.0-or-later
// The shell's change notification, for the native build: no shell listens there.
#pragma once

#include "platform/native/WinTypes.h"

#define SHCNE_ASSOCCHANGED 0x08000000L
#define SHCNF_IDLIST 0x0000

// Tells the shell that file associations changed, so that it drops what it has cached about
// them. Natively nothing caches them: a no-op.
extern "C" void SHChangeNotify(LONG wEventId, UINT uFlags, LPCVOID dwItem1, LPCVOID dwItem2);
