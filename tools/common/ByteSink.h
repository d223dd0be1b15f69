// SPDX-License-Identifier: LGPL-3.0-or-later
// Where a tool's output goes: standard output, a book's place in an ordered run, a string in
// a test. Writing can fail (a closed pipe, a full disk), and the tool must notice.
#pragma once

#include <cstddef>
#include <string>

class ByteSink {
public:
    virtual ~ByteSink() = default;

    // Writes all `size` bytes; false when they could not all be written.
    virtual bool Write(const char* data, size_t size) = 0;

    // Why the last failed Write failed, for a one-line message; empty when unknown.
    virtual std::string Error() const { return std::string(); }
};
