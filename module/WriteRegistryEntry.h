// Writes one registration value, creating its key and every missing key above it.
#pragma once

#include "module/RegistryEntry.h"

HRESULT WriteRegistryEntry(const RegistryEntry& entry);
