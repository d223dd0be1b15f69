// SPDX-License-Identifier: LGPL-3.0-or-later
// Every allocation of the module that fails is counted, on the thread that made it: libmobi's
// (its malloc, calloc, realloc and strdup reach the module's own functions through the linker,
// book/load/LibmobiAllocation.cpp) and the module's own (NewArray, NewObject, TaskAllocate
// below). A host that runs short of memory makes allocations fail anywhere, and libmobi goes on
// after some of them with a result that only looks whole: a header read four bytes off, a
// hybrid read as its KF7 half. So whatever an entry point of the module makes while it runs
// (a binding, a chunk, a run of text, a property store, a cover, a preview page) is watched
// (AllocationWatch): when any allocation failed meanwhile, the call ends as E_OUTOFMEMORY,
// never as a success with other content, and never as a damaged book.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

// Counts a failed allocation on this thread.
void CountAllocationFailure();

// The allocations that failed on this thread so far.
unsigned long AllocationFailuresOnThisThread();

// Watches this thread's allocations from its making on.
class AllocationWatch {
public:
    AllocationWatch() : Start(AllocationFailuresOnThisThread()) {}
    AllocationWatch(const AllocationWatch&) = delete;
    AllocationWatch& operator=(const AllocationWatch&) = delete;

    // Whether an allocation failed on this thread since the watch began.
    bool SawFailure() const { return AllocationFailuresOnThisThread() != Start; }
    // `result`, or E_OUTOFMEMORY when an allocation failed meanwhile.
    HRESULT Checked(HRESULT result) const { return SawFailure() ? E_OUTOFMEMORY : result; }

private:
    unsigned long Start;
};

// Returns `allocated`, counting a failure when it is null.
template <typename T> T* CountedAllocation(T* allocated) {
    if (allocated == nullptr) {
        CountAllocationFailure();
    }
    return allocated;
}

// `count` default-initialised T from the free store; null (and counted) when memory runs out.
template <typename T> T* NewArray(size_t count) {
    return CountedAllocation(new (std::nothrow) T[count]);
}

// `count` value-initialised T (zeros for numbers); null (and counted) when memory runs out.
template <typename T> T* NewZeroedArray(size_t count) {
    return CountedAllocation(new (std::nothrow) T[count]());
}

// A T made from `args`; null (and counted) when memory runs out.
template <typename T, typename... Args> T* NewObject(Args&&... args) {
    return CountedAllocation(new (std::nothrow) T(std::forward<Args>(args)...));
}

// `count` T from the task allocator, for what is handed out or freed with CoTaskMemFree; null
// (and counted) when memory runs out or the size does not fit a SIZE_T.
template <typename T> T* TaskAllocate(size_t count) {
    if (count > SIZE_MAX / sizeof(T)) {
        CountAllocationFailure();
        return nullptr;
    }
    return CountedAllocation(static_cast<T*>(CoTaskMemAlloc(count * sizeof(T))));
}
