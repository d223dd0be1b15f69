#include "platform/Platform.h"

namespace {
thread_local DWORD LastError = 0;
}

extern "C" LONG InterlockedIncrement(LONG volatile* addend) {
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

extern "C" LONG InterlockedDecrement(LONG volatile* addend) {
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

extern "C" DWORD GetLastError() {
    return LastError;
}

extern "C" void SetLastError(DWORD dwErrCode) {
    LastError = dwErrCode;
}

extern "C" LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange,
                                           LONG comparand) {
    __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}
