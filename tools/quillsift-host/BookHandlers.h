// SPDX-License-Identifier: LGPL-3.0-or-later
// The four handlers of a book's extension, each found where Windows looks for it, under
// HKLM\Software: the filter through the extension's persistent handler (RegisteredFilter.h);
// the property handler at Microsoft\Windows\CurrentVersion\PropertySystem\PropertyHandlers
// \<extension>; the thumbnail provider at Classes\SystemFileAssociations\<extension>\ShellEx
// \{e357fccd-a995-4576-b01f-234630154e96}; the preview handler beside it, at ShellEx
// \{8895b1c6-b41f-4c1c-a562-0d564250836f}.
#pragma once

#include "platform/Platform.h"

#include <string>

enum class BookHandler { Filter, PropertyHandler, ThumbnailProvider, PreviewHandler };

// The class registered as `handler` for `extension` (with its dot). A missing key or value
// gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), a value that is no class id
// CO_E_CLASSSTRING; `words` then says so in the one form the host gives every handler: "no
// thumbnail provider registered for .prc".
HRESULT FindBookHandler(BookHandler handler, const WCHAR* extension, CLSID* handlerClass,
                        std::string& words);
