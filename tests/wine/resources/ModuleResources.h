// SPDX-License-Identifier: LGPL-3.0-or-later
// Reads back the resources of a loaded module: its version information through
// GetFileVersionInfoW and VerQueryValueW, and its manifest.
#pragma once

#include "platform/Platform.h"

#include <string>

// The module whose code implements `object` (the module of its vtable), or null.
HMODULE ModuleOfObject(IUnknown* object);

// One "name: value" line each, in UTF-8: the module's path, the fixed file and product
// versions, the translations, every string of the version's string tables that a DLL
// normally carries, then the manifest's text. Lines for what is missing say so.
std::string DescribeModuleResources(HMODULE module);
