// SPDX-License-Identifier: LGPL-3.0-or-later
// A host written in C passes CLSIDs and IIDs by pointer, and may pass null where C++ sees a
// reference. The compiler may assume that a reference's address is never null and drop a plain
// test, so the address is read back through a volatile. Callers pass the address (&riid) and
// never bind the reference again, which would already be undefined for a null one.
#pragma once

inline bool IsNullReference(const void* address) {
    const void* volatile checked = address;
    return checked == nullptr;
}
