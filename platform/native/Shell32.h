// SPDX-License-Identifier: LGPL-3.0-or-later
// shell32's change notification, for the native build: there is no shell to tell.
#pragma once

#include "platform/native/WinTypes.h"

#define SHCNE_ASSOCCHANGED 0x08000000L
#define SHCNF_IDLIST 0x0000

extern "C" void SHChangeNotify(LONG wEventId, UINT uFlags, const void* dwItem1,
                               const void* dwItem2);
