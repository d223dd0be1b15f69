// SPDX-License-Identifier: LGPL-3.0-or-later
// libmobi's allocations, counted. The linker wraps every call of malloc, calloc, realloc and
// strdup in a program that links libmobi (cmake/LibmobiAllocation.cmake): libmobi's own and the
// module's C allocations reach these, which count a failure on the thread that made it
// (platform/AllocationFailures.h). libmobi goes on after some of its failed allocations, with a
// result that only looks whole; the module's entry points see the count and answer
// E_OUTOFMEMORY instead. libmobi takes a null for a record of no bytes as a failure too; only
// realloc's null for no bytes frees the block and fails nothing.
#include "book/load/SystemAllocation.h"
#include "platform/AllocationFailures.h"

#include <cstring>

namespace {

void* Counted(void* block, bool failed = true) {
    if (block == nullptr && failed) {
        CountAllocationFailure();
    }
    return block;
}

} // namespace

// Not exported: the module's exports are listed, and the objects are built with hidden
// visibility.
extern "C" {

void* __wrap_malloc(size_t size) {
    return Counted(SystemMalloc(size));
}

void* __wrap_calloc(size_t count, size_t size) {
    return Counted(SystemCalloc(count, size));
}

void* __wrap_realloc(void* block, size_t size) {
    return Counted(SystemRealloc(block, size), size != 0);
}

// The C library's strdup allocates where the wrapping does not reach.
char* __wrap_strdup(const char* text) {
    const size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(__wrap_malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}

} // extern "C"
