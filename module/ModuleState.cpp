#include "module/ModuleState.h"

LONG volatile ModuleRefCount = 0;
HINSTANCE ModuleHandle = nullptr;
