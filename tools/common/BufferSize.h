// The --buffer option of both tools: how many characters one GetText may hand out.
#pragma once

#include "platform/Platform.h"

#include <string>

const ULONG DefaultBufferSize = 4096;
const ULONG MaxBufferSize = 1UL << 24;

// Decimal digits only, from 1 to MaxBufferSize; false for anything else.
bool ParseBufferSize(const std::string& text, ULONG& size);

// The usage error for a value that ParseBufferSize refuses.
std::string BufferSizeError();
