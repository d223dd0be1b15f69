// SPDX-License-Identifier: LGPL-3.0-or-later
// Every allocation of a test program, counted on its thread, and the one asked for made to fail:
// every operator new (the module's and the tools' C++ allocations); in a program that links
// libmobi, its C allocations and the module's too, and the task allocator's (natively the C
// library's), through FailingSystemAllocation.cpp, which takes the place of the module's own
// system allocator. Linked as objects, before the system's static libraries.
#pragma once

// From now on, count this thread's allocations, and fail the `nth` (1 is the next) once; 0
// fails none.
void FailNthAllocation(unsigned long nth);
// Stops counting and failing.
void StopFailingAllocations();
// The allocations counted since FailNthAllocation.
unsigned long AllocationsCounted();
// Whether the allocation asked for has failed.
bool InjectedFailureHappened();
// Counts one allocation: true when it is the one to fail.
bool ThisAllocationFails();

// While it lives, this thread's allocations are neither counted nor failed: the test's own
// bookkeeping between the calls it watches.
class UncountedAllocations {
public:
    UncountedAllocations();
    ~UncountedAllocations();
    UncountedAllocations(const UncountedAllocations&) = delete;
    UncountedAllocations& operator=(const UncountedAllocations&) = delete;
};
