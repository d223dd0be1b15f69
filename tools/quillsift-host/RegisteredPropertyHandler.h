// SPDX-License-Identifier: LGPL-3.0-or-later
// Finds the property handler registered for a file extension, as Explorer does:
//   HKLM\Software\Microsoft\Windows\CurrentVersion\PropertySystem\PropertyHandlers\<extension>
#pragma once

#include "platform/Platform.h"

// `extension` starts with a dot. A missing key or value gives
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND); a value that is no class id, CO_E_CLASSSTRING.
HRESULT FindRegisteredPropertyHandler(const WCHAR* extension, CLSID* handlerClass);
