// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/native/Shell32.h"

extern "C" void SHChangeNotify(LONG, UINT, const void*, const void*) {}
