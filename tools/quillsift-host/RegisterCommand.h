// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-host --register and --unregister: the quillsift.dll beside quillsift-host.exe
// registers or unregisters itself, as regsvr32 would have it do: the host loads the DLL and
// calls its DllRegisterServer or DllUnregisterServer. The installer runs them; the DLL's own
// rules decide what is written and what is put back.
#pragma once

#include "platform/Platform.h"

// Each returns the exit status: 0 when the DLL's function succeeded; 1 when it failed (its
// code printed); 2 for a usage error; 3 when the DLL or its function cannot be found.
int RunRegisterCommand(int argc, WCHAR** argv);
int RunUnregisterCommand(int argc, WCHAR** argv);
