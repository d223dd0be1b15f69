// SPDX-License-Identifier: LGPL-3.0-or-later
// The one translation unit that defines the GUIDs and property keys the headers declare.
#define INITGUID
#include "platform/Platform.h"
