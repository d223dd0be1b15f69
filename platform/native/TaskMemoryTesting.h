// Test-only control of the task allocator of the native build: it can be told to fail one
// allocation, so that tests reach every out-of-memory path of the code that allocates. The
// filter module never exports it; tests that link the system's objects call it directly.
#pragma once

#include "platform/native/WinTypes.h"

extern "C" {
// The `nth` CoTaskMemAlloc from now on (1 is the next one) returns null, once; 0 fails none.
void TaskMemoryTestFailAllocation(unsigned long nth);

// Whether the failure asked for has happened since it was asked for.
bool TaskMemoryTestFailureHappened();
}
