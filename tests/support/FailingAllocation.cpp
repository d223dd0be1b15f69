// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool Counting = false;
thread_local int Paused = 0;
thread_local unsigned long Counted = 0;
thread_local unsigned long FailAt = 0;
thread_local bool Failed = false;

} // namespace

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

namespace {

// One count per operator new, whatever malloc does underneath (a program that links libmobi
// counts its malloc too).
void* CountedNew(std::size_t size) {
    if (ThisAllocationFails()) {
        return nullptr;
    }
    UncountedAllocations underneath;
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

// Every operator new of the program, the module's and the tools' C++ allocations among them.
void* operator new(std::size_t size) {
    void* block = CountedNew(size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedNew(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedNew(size);
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
