// SPDX-License-Identifier: LGPL-3.0-or-later
// How the tools print the codes and ids they meet, in messages and in both output formats.
#pragma once

#include "platform/Platform.h"

#include <string>

// "0x" and eight lower-case hex digits: "0x80041700".
std::string FormatCode(HRESULT code);

// Registry form, upper-case: "{F29F85E0-4FF9-1068-AB91-08002B27B3D9}".
std::string FormatGuid(const GUID& guid);
