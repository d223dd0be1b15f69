// SPDX-License-Identifier: LGPL-3.0-or-later
// Every allocation of a test program, counted on its thread, and the one asked for made to fail:
// libmobi's and the module's C allocations (through the module's counted allocation, whose
// system allocator this takes the place of), the task allocator's (natively the C library's),
// and every operator new, which this routes through malloc. Linked as objects before the
// system's static libraries, so that the module's own system allocator is never linked in.
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

// While it lives, this thread's allocations are neither counted nor failed: the test's own
// bookkeeping between the calls it watches.
class UncountedAllocations {
public:
    UncountedAllocations();
    ~UncountedAllocations();
    UncountedAllocations(const UncountedAllocations&) = delete;
    UncountedAllocations& operator=(const UncountedAllocations&) = delete;
};
