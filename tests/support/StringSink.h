// SPDX-License-Identifier: LGPL-3.0-or-later
// A ByteSink that keeps what it is given, and can be told to fail from a given write on.
#pragma once

#include "tools/common/ByteSink.h"

#include <string>

class StringSink final : public ByteSink {
public:
    bool Write(const char* data, size_t size) override {
        ++Writes;
        if (FailFrom != 0 && Writes >= FailFrom) {
            return false;
        }
        Text.append(data, size);
        return true;
    }
    std::string Error() const override { return FailFrom != 0 ? "told to fail" : ""; }

    std::string Text;
    unsigned Writes = 0;
    // The number of the first write that fails (from 1); 0 for none.
    unsigned FailFrom = 0;
};
