// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/Console.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

void WriteError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace

TerminalConsole::TerminalConsole(bool showProgress) : ShowProgress(showProgress) {
    winsize size{};
    if (ShowProgress && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        Width = size.ws_col - 1;
    }
}

void TerminalConsole::ClearLocked() {
    if (ProgressShown) {
        WriteError("\r\033[K");
        ProgressShown = false;
    }
}

void TerminalConsole::Report(const std::string& line) {
    std::lock_guard<std::mutex> hold(Lock);
    ClearLocked();
    WriteError(line);
}

void TerminalConsole::Progress(unsigned long long number, unsigned long long total,
                               const std::string& path) {
    if (!ShowProgress) {
        return;
    }
    std::lock_guard<std::mutex> hold(Lock);
    ClearLocked();
    WriteError(FormatProgress(number, total, path, Width));
    std::fflush(stderr);
    ProgressShown = true;
}

void TerminalConsole::ClearProgress() {
    std::lock_guard<std::mutex> hold(Lock);
    ClearLocked();
}

std::string FormatProgress(unsigned long long index, unsigned long long total,
                           const std::string& path, size_t width) {
    std::string line = "[" + std::to_string(index) + "/" + std::to_string(total) + "] " + path;
    if (line.size() > width) {
        size_t cut = width;
        // Never split a UTF-8 sequence: back up over continuation bytes.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        line.resize(cut);
    }
    return line;
}
