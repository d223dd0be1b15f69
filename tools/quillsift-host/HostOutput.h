// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-host's standard output and standard error, for every command: written with
// WriteFile on the process's handles, bytes as they are (UTF-8).
#pragma once

#include "platform/Platform.h"
#include "tools/common/ByteSink.h"

#include <string>

// A standard handle; a failed write (a closed pipe, a full disk) is remembered with its code.
class HandleOutput final : public ByteSink {
public:
    explicit HandleOutput(DWORD handleId);

    bool Write(const char* data, size_t size) override;
    std::string Error() const override;

private:
    HANDLE Handle;
    DWORD LastError = 0;
};

// `text` to standard error as it is.
void WriteStandardError(const std::string& text);

// "quillsift-host: LINE" and a line feed, to standard error.
void WriteError(const std::string& line);

// `text` to standard output: ExitAllLoaded, or ExitSomeFailed with a message when it could not
// be written.
int WriteOut(const std::string& text);
