// A host written in C passes CLSIDs and IIDs by pointer, and may pass null where C++ sees a
// reference. The compiler may assume that a reference's address is never null and drop a plain
// test, so the address is read back through a volatile.
#pragma once

#include "platform/Platform.h"

inline bool IsNullReference(REFGUID guid) {
    const GUID* volatile address = &guid;
    return address == nullptr;
}
