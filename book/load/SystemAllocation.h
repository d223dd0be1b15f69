// SPDX-License-Identifier: LGPL-3.0-or-later
// The C library's allocator, as the counted allocation of libmobi and of the module reaches it
// (LibmobiAllocation.cpp). In an object file of its own: a test program that links the failing
// allocator of its support library (tests/support/FailingAllocation.cpp) puts that in this one's
// place, and the module holds only this one.
#pragma once

#include <cstddef>

void* SystemMalloc(size_t size);
void* SystemCalloc(size_t count, size_t size);
void* SystemRealloc(void* block, size_t size);
