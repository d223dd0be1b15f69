// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/OpenFailure.h"

#include "tools/common/BookConditionWords.h"
#include "tools/common/FormatCode.h"

namespace {

// ERROR_SHARING_VIOLATION, and the storage functions' codes, which a stream's open may give as
// well as Win32's (STG_E_ACCESSDENIED, STG_E_SHAREVIOLATION).
const DWORD SharingViolation = 32;
const HRESULT StorageAccessDenied = _HRESULT_TYPEDEF_(0x80030005);
const HRESULT StorageSharingViolation = _HRESULT_TYPEDEF_(0x80030020);

const char* Reason(HRESULT opened, bool folder) {
    if (folder) {
        return "a directory";
    }
    if (opened == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
        opened == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) {
        return "no such file or directory";
    }
    if (opened == E_ACCESSDENIED || opened == StorageAccessDenied) {
        return "access denied";
    }
    if (opened == HRESULT_FROM_WIN32(SharingViolation) || opened == StorageSharingViolation) {
        return "used by another program";
    }
    return nullptr;
}

} // namespace

std::string OpenFailureWords(HRESULT opened, bool folder) {
    // As for every failure of a book: the run goes on, and says what ran out.
    if (opened == E_OUTOFMEMORY) {
        return FailureWords(std::string(), "cannot open", opened);
    }
    const char* reason = Reason(opened, folder);
    return std::string("cannot open") + (reason != nullptr ? std::string(": ") + reason : "") +
           " (" + FormatCode(opened) + ")";
}
