#include "platform/Platform.h"

#include <cstdlib>

extern "C" void* CoTaskMemAlloc(SIZE_T cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}

extern "C" void CoTaskMemFree(void* pv) {
    std::free(pv);
}
