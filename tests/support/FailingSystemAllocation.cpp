// SPDX-License-Identifier: LGPL-3.0-or-later
// The C library's allocator of a program that links libmobi, counted and failed with the rest
// (FailingAllocation.h), in the place of the module's own (book/load/SystemAllocation.cpp).
#include "book/load/SystemAllocation.h"
#include "tests/support/FailingAllocation.h"

// The C library's own functions: the link wraps every other call of them.
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
}

void* SystemMalloc(size_t size) {
    return ThisAllocationFails() ? nullptr : __real_malloc(size);
}

void* SystemCalloc(size_t count, size_t size) {
    return ThisAllocationFails() ? nullptr : __real_calloc(count, size);
}

void* SystemRealloc(void* block, size_t size) {
    return ThisAllocationFails() ? nullptr : __real_realloc(block, size);
}
