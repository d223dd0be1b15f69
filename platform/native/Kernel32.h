// The kernel32 services the filter uses, for the native build.
#pragma once

#include "platform/native/WinTypes.h"

extern "C" LONG InterlockedIncrement(LONG volatile* addend);
extern "C" LONG InterlockedDecrement(LONG volatile* addend);

// The last error is kept per thread, as on Windows.
extern "C" DWORD GetLastError();
extern "C" void SetLastError(DWORD dwErrCode);

// CP_UTF8 with flags 0 only. A malformed sequence (overlong forms, encoded surrogates and
// values above U+10FFFF included) becomes one U+FFFD for its maximal ill-formed prefix; a
// four-byte sequence becomes a surrogate pair. cbMultiByte -1 converts up to and including
// the terminating zero. With cchWideChar 0 the needed size is returned; a destination that
// is too small gives 0 and ERROR_INSUFFICIENT_BUFFER.
extern "C" int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                   int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);
