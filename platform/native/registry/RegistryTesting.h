// SPDX-License-Identifier: LGPL-3.0-or-later
// Test-only controls of the in-memory registry of the native build. They are exported by the
// registry library alone, never by the filter module, so that tests can prepare the registry
// and reach the failure paths of the code that writes to it.
#pragma once

#include "platform/native/registry/Advapi32.h"

extern "C" {
// Removes every key and value beneath the roots and every denial. Handles still open keep
// answering ERROR_KEY_DELETED.
WINADVAPI void RegistryTestReset();

// From now on, opening, creating or deleting the key `path` under `root`, or any key beneath
// it, fails with ERROR_ACCESS_DENIED, as for a key whose security descriptor refuses the caller.
WINADVAPI void RegistryTestDenyAccess(HKEY root, LPCWSTR path);

// The number of key handles opened and not yet closed, to find handles that leak.
WINADVAPI LONG RegistryTestOpenHandleCount();
}
