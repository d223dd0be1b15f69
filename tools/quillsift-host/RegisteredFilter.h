// SPDX-License-Identifier: LGPL-3.0-or-later
// Finds the filter class registered for a file extension, the way the Windows Search indexer
// does (LoadIFilter is a stub in Wine, so the host walks the registry itself):
//   HKLM\Software\Classes\<extension>\PersistentHandler            -> the persistent handler
//   HKLM\Software\Classes\CLSID\<handler>\PersistentAddinsRegistered\<IID_IFilter> -> the filter
#pragma once

#include "platform/Platform.h"

#include <initializer_list>
#include <vector>

// `extension` starts with a dot (".mobi"). A missing key or value gives
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND); a value that is no class id, CO_E_CLASSSTRING.
HRESULT FindRegisteredFilter(const WCHAR* extension, CLSID* filterClass);

// The class of the shell extension that Explorer finds for an extension's files by the
// interface it wants (`handlerInterface`, braced: the thumbnail provider's, the preview
// handler's), as the filter's:
//   HKLM\Software\Classes\SystemFileAssociations\<extension>\ShellEx\<handlerInterface>
HRESULT FindRegisteredShellExtension(const WCHAR* extension, const WCHAR* handlerInterface,
                                     CLSID* handlerClass);

// The extension of the file name at the end of `path`, with its dot, zero-terminated; only the
// terminator when it has none.
std::vector<WCHAR> ExtensionOf(const WCHAR* path);

// The class id in the default value of the key HKLM\<the parts, one after another>: the
// lookups above, and the property handler's.
HRESULT ReadMachineClass(std::initializer_list<const WCHAR*> keyParts, CLSID* handlerClass);

// The default value of HKLM\`path`, a REG_SZ, into `buffer` of `capacity` units.
HRESULT ReadMachineString(const WCHAR* path, WCHAR* buffer, DWORD capacity);
