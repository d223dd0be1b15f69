// SPDX-License-Identifier: LGPL-3.0-or-later
// The task allocator's allocation, in an object file of its own: a test program that links
// the failing allocator of TaskMemoryTesting.cpp puts it in this one's place, and the shipped
// library holds only this one.
#include "platform/Platform.h"

#include <cstdlib>

extern "C" void* CoTaskMemAlloc(SIZE_T cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}
