// SPDX-License-Identifier: LGPL-3.0-or-later
// What quillsift-dump tells the person running it, on standard error: one-line reports, and
// on a terminal a progress line that each report or the next book replaces. Workers share it.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

class Console {
public:
    virtual ~Console() = default;
    // A whole line, with its line feed.
    virtual void Report(const std::string& line) = 0;
    // Book `number` of `total` has started.
    virtual void Progress(unsigned long long number, unsigned long long total,
                          const std::string& path) = 0;
    // Takes the progress line away before the run's last words.
    virtual void ClearProgress() = 0;
};

// Standard error; the progress line only when `showProgress` (a terminal, several books).
class TerminalConsole final : public Console {
public:
    explicit TerminalConsole(bool showProgress);

    void Report(const std::string& line) override;
    void Progress(unsigned long long number, unsigned long long total,
                  const std::string& path) override;
    void ClearProgress() override;

private:
    void ClearLocked();

    std::mutex Lock;
    bool ShowProgress;
    size_t Width = 79;
    bool ProgressShown = false;
};

// "[3/120] path", cut to `width` bytes at a character boundary.
std::string FormatProgress(unsigned long long index, unsigned long long total,
                           const std::string& path, size_t width);
