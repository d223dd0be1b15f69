// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/AllocationFailures.h"

namespace {

// Each host thread counts its own: filters run side by side on many threads, and a failure on
// one says nothing of what another made.
thread_local unsigned long FailuresOnThisThread = 0;

} // namespace

void CountAllocationFailure() {
    ++FailuresOnThisThread;
}

unsigned long AllocationFailuresOnThisThread() {
    return FailuresOnThisThread;
}
