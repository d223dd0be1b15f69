// SPDX-License-Identifier: LGPL-3.0-or-later
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

// A locale's name as the user reads it. The native build has no locale data: every query
// gives 0 and ERROR_NOT_SUPPORTED, and callers show what the book itself says.
#define LOCALE_SLOCALIZEDLANGUAGENAME 0x0000006f
extern "C" int GetLocaleInfoW(LCID Locale, DWORD LCType, LPWSTR lpLCData, int cchData);

// Stores `exchange` if *destination equals `comparand`; returns the value it held before.
extern "C" LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange,
                                           LONG comparand);

#define ERROR_MOD_NOT_FOUND 126L

// The loader functions a module calls about itself. A module handle is the dynamic loader's
// handle of the shared object (dlopen), and null stands for the main program.
//
// GetModuleFileNameW gives the module's absolute path in UTF-16. A path that does not fit is
// cut to nSize - 1 characters and terminated, nSize is returned and the last error is
// ERROR_INSUFFICIENT_BUFFER, as on Windows. A path that is not valid UTF-8 gives 0 and
// ERROR_NO_UNICODE_TRANSLATION rather than a path that names another file.
extern "C" DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// Called by the process-attach hook while the module is being loaded: records its absolute path
// then, so that GetModuleFileNameW names the file that was loaded even when it was loaded
// through a relative path and the process has since changed its current directory.
void RecordModuleFileName(HMODULE module);

// Shared objects get no thread notifications, so there is nothing to turn off.
extern "C" BOOL DisableThreadLibraryCalls(HMODULE hLibModule);
