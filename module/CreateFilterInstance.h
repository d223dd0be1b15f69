// Makes one book filter and hands out the requested interface of it, or destroys it again.
#pragma once

#include "platform/Platform.h"

HRESULT CreateFilterInstance(REFIID riid, void** ppvObject);
