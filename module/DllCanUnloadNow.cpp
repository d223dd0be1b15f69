#include "module/DllExports.h"
#include "module/ModuleState.h"

// The count is read with an interlocked exchange that never changes it, so that a host thread
// asking while others create and release objects reads it as a whole.
STDAPI DllCanUnloadNow() {
    return InterlockedCompareExchange(&ModuleRefCount, 0, 0) == 0 ? S_OK : S_FALSE;
}
