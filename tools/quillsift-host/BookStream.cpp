// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/BookStream.h"

#include "tools/common/OpenFailure.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/HostBookFinder.h"
#include "tools/quillsift-host/HostOutput.h"

HRESULT OpenBookStream(const WCHAR* path, IStream** stream) {
    return SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                  FALSE, nullptr, stream);
}

bool OpenBookStreamOrSay(const WCHAR* path, ComPtr<IStream>& stream) {
    const HRESULT opened = OpenBookStream(path, stream.Put());
    if (FAILED(opened)) {
        WriteError(ToUtf8(path) + ": " + OpenFailureWords(opened, IsFolderPath(path)));
        return false;
    }
    return true;
}
