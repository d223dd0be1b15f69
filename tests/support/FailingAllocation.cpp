// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/FailingAllocation.h"

#include "book/load/SystemAllocation.h"

#include <cstdlib>
#include <new>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
}

namespace {

thread_local bool Counting = false;
thread_local int Paused = 0;
thread_local unsigned long Counted = 0;
thread_local unsigned long FailAt = 0;
thread_local bool Failed = false;

bool ThisAllocationFails() {
    if (!Counting || Paused > 0) {
        return false;
    }
    ++Counted;
    if (Counted == FailAt) {
        Failed = true;
        return true;
    }
    return false;
}

} // namespace

void FailNthAllocation(unsigned long nth) {
    Counting = true;
    Counted = 0;
    FailAt = nth;
    Failed = false;
}

void StopFailingAllocations() {
    Counting = false;
}

unsigned long AllocationsCounted() {
    return Counted;
}

bool InjectedFailureHappened() {
    return Failed;
}

UncountedAllocations::UncountedAllocations() {
    ++Paused;
}

UncountedAllocations::~UncountedAllocations() {
    --Paused;
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

// Every operator new of the program through malloc, which the link wraps: the module's C++
// allocations are counted and failed with the rest.
void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
