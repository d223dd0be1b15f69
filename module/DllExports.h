// SPDX-License-Identifier: LGPL-3.0-or-later
// The module's four exports, the whole of its interface to a host and to a registration tool.
#pragma once

#include "platform/ModuleExport.h"
#include "platform/Platform.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) MODULE_EXPORT;
STDAPI DllCanUnloadNow() MODULE_EXPORT;
STDAPI DllRegisterServer() MODULE_EXPORT;
STDAPI DllUnregisterServer() MODULE_EXPORT;
