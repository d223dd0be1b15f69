// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/HostOutput.h"

#include "tools/common/CommandLine.h"

HandleOutput::HandleOutput(DWORD handleId) : Handle(GetStdHandle(handleId)) {}

bool HandleOutput::Write(const char* data, size_t size) {
    while (size != 0) {
        DWORD written = 0;
        const DWORD portion = static_cast<DWORD>(size < 0x40000000 ? size : 0x40000000);
        if (!WriteFile(Handle, data, portion, &written, nullptr) || written == 0) {
            LastError = GetLastError();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

std::string HandleOutput::Error() const {
    return "error " + std::to_string(LastError);
}

void WriteStandardError(const std::string& text) {
    HandleOutput(STD_ERROR_HANDLE).Write(text.data(), text.size());
}

void WriteError(const std::string& line) {
    WriteStandardError("quillsift-host: " + line + "\n");
}

int WriteOut(const std::string& text) {
    HandleOutput output(STD_OUTPUT_HANDLE);
    if (!output.Write(text.data(), text.size())) {
        WriteError("cannot write the output (" + output.Error() + ")");
        return ExitSomeFailed;
    }
    return ExitAllLoaded;
}
