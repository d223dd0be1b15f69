// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/native/registry/RegistryTesting.h"

#include "platform/native/registry/RegistryStore.h"

#include <new>

extern "C" {

void RegistryTestReset() {
    RegistryStore::Instance().Reset();
}

void RegistryTestDenyAccess(HKEY root, LPCWSTR path) {
    try {
        RegistryStore::Instance().DenyAccess(root, path);
    } catch (const std::bad_alloc&) {
        // A test that cannot record its denial fails on its own expectations.
    }
}

LONG RegistryTestOpenHandleCount() {
    return RegistryStore::Instance().OpenHandleCount();
}

} // extern "C"
