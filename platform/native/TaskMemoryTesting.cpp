// SPDX-License-Identifier: LGPL-3.0-or-later
// The task allocator's allocation for tests, which can be told to fail. A test program links
// it before the system's objects, so that the plain CoTaskMemAlloc of the static library is
// never linked in; CoTaskMemFree and CoTaskMemRealloc stay the library's.
#include "platform/native/TaskMemoryTesting.h"

#include "platform/Platform.h"

#include <atomic>
#include <cstdlib>

namespace {

// Allocations still to go before the one that fails; 0 when none is to fail.
std::atomic<unsigned long> AllocationsUntilFailure{0};
std::atomic<bool> FailureHappened{false};

bool ThisAllocationFails() {
    unsigned long left = AllocationsUntilFailure.load(std::memory_order_relaxed);
    while (left != 0) {
        if (AllocationsUntilFailure.compare_exchange_weak(left, left - 1)) {
            if (left == 1) {
                FailureHappened = true;
                return true;
            }
            return false;
        }
    }
    return false;
}

} // namespace

extern "C" void* CoTaskMemAlloc(SIZE_T cb) {
    if (ThisAllocationFails()) {
        return nullptr;
    }
    return std::malloc(cb == 0 ? 1 : cb);
}

extern "C" void TaskMemoryTestFailAllocation(unsigned long nth) {
    FailureHappened = false;
    AllocationsUntilFailure = nth;
}

extern "C" bool TaskMemoryTestFailureHappened() {
    return FailureHappened;
}
