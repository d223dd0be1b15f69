// SPDX-License-Identifier: LGPL-3.0-or-later
// How many references a COM object of the tests holds, asked as a host can ask: AddRef, then
// Release, which answers the count.
#pragma once

#include "platform/Platform.h"

template <typename Object> LONG ReferencesOf(Object& object) {
    object.AddRef();
    return static_cast<LONG>(object.Release());
}
