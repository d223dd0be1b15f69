// SPDX-License-Identifier: LGPL-3.0-or-later
// Test-only control of the task allocator of the native build: it can be told to fail one
// allocation, so that tests reach every out-of-memory path of the code that allocates. It lives
// in a test-only library (quillsift_task_memory_testing), never in the filter module; tests
// that link the system's objects link it first.
#pragma once

#include "platform/native/WinTypes.h"

extern "C" {
// The `nth` CoTaskMemAlloc from now on (1 is the next one) returns null, once; 0 fails none.
void TaskMemoryTestFailAllocation(unsigned long nth);

// Whether the failure asked for has happened since it was asked for.
bool TaskMemoryTestFailureHappened();
}
