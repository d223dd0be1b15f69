// SPDX-License-Identifier: LGPL-3.0-or-later
// The output formats of a dump, and the writer that each is written by.
#pragma once

#include "tools/common/ChunkWriter.h"
#include "tools/common/OutputBuffer.h"

#include <memory>

enum class DumpFormat { Text, Json, Html };

std::unique_ptr<ChunkWriter> MakeChunkWriter(DumpFormat format, OutputBuffer& out);
