// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/FileOutput.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool FileOutput::Write(const char* data, size_t size) {
    while (size != 0) {
        const ssize_t written = ::write(Descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ErrorNumber = written < 0 ? errno : EIO;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string FileOutput::Error() const {
    const int error = ErrorNumber;
    return error == 0 ? std::string() : std::strerror(error);
}
