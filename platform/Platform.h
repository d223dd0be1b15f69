// SPDX-License-Identifier: LGPL-3.0-or-later
// The Windows API as the system uses it. The system includes this header only; it gives the
// SDK's names on every build: the SDK itself on Windows and Wine, a small layer of our own
// on native Linux.
#pragma once

#if defined(_WIN32)
#include "platform/win/WindowsApi.h"
#define UTF16(s) L##s
#else
#include "platform/native/ComInterfaces.h"
#include "platform/native/Kernel32.h"
#include "platform/native/Ole32.h"
#include "platform/native/PropTypes.h"
#include "platform/native/ShObjIdl.h"
#include "platform/native/Shell32.h"
#include "platform/native/Shlwapi.h"
#include "platform/native/ThumbCache.h"
#include "platform/native/WinTypes.h"
#include "platform/native/registry/Advapi32.h"
#define UTF16(s) u##s
#endif

#include "platform/PropertyKeys.h"
