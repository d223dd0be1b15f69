// SPDX-License-Identifier: LGPL-3.0-or-later
// What the benchmark programs share: draining a filter as an indexer does (the tools'
// ChunkDumper), and the memory figures of their own process.
#pragma once

#include "platform/Platform.h"

#include <chrono>

// Init, then every chunk: each value taken and freed, each text in portions of
// `portionCharacters`. Returns the characters of text drained. `firstText`, when given, receives
// the moment the first portion of text came (left as it was when none came).
long long DrainFilterText(IFilter* filter, ULONG portionCharacters,
                          std::chrono::steady_clock::time_point* firstText = nullptr);

// A value of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long StatusKiB(const char* field);
