// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/ModuleRefCount.h"

LONG volatile ModuleRefCount = 0;
