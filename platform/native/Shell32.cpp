// SPDX-License-Identifier: LGPL-3.0-or-later
// shell32 as the module uses it: the change notification that registration ends with.
#include "platform/Platform.h"

extern "C" void SHChangeNotify(LONG, UINT, LPCVOID, LPCVOID) {}
