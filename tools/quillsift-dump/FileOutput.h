// SPDX-License-Identifier: LGPL-3.0-or-later
// Output to a file descriptor (standard output) with write(2), every failure noticed: a closed
// pipe gives EPIPE (SIGPIPE must be ignored), a full disk ENOSPC.
#pragma once

#include "tools/common/ByteSink.h"

#include <atomic>

class FileOutput final : public ByteSink {
public:
    explicit FileOutput(int descriptor) : Descriptor(descriptor) {}

    bool Write(const char* data, size_t size) override;
    // "Broken pipe", "No space left on device"...
    std::string Error() const override;

private:
    int Descriptor;
    std::atomic<int> ErrorNumber{0};
};
