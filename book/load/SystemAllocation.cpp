// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/SystemAllocation.h"

// The C library's own functions: the linker wraps every other call of malloc, calloc and realloc
// in a program that links libmobi (cmake/LibmobiAllocation.cmake).
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
}

void* SystemMalloc(size_t size) {
    return __real_malloc(size);
}

void* SystemCalloc(size_t count, size_t size) {
    return __real_calloc(count, size);
}

void* SystemRealloc(void* block, size_t size) {
    return __real_realloc(block, size);
}
