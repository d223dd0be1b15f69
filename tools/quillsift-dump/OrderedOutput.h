// SPDX-License-Identifier: LGPL-3.0-or-later
// Books dumped at once by several workers reach one destination in the order of the books,
// byte for byte as one worker would write them. The worker of the oldest book not yet written
// (the head) writes straight to the destination; the others write into their book's
// SpillBuffer, copied out when its turn comes. Reports of a book reach the console in the
// same order. At most `window` books are open or waiting at once, which bounds the memory and
// the temporary files a slow book can make the others pile up.
#pragma once

#include "tools/common/ByteSink.h"
#include "tools/quillsift-dump/SpillBuffer.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class OrderedOutput {
public:
    // Where one book's output goes. Only the worker of the book writes to it.
    class Book final : public ByteSink {
    public:
        bool Write(const char* data, size_t size) override;
        std::string Error() const override { return std::string(); }
        // A line for the console, given out after those of the books before this one.
        void Report(const std::string& line);

    private:
        friend class OrderedOutput;
        Book(OrderedOutput& owner, size_t memoryLimit) : Owner(owner), Spill(memoryLimit) {}
        // Whether the book is now the head, having sent out what it kept while it was not.
        bool IsHead();

        OrderedOutput& Owner;
        size_t Index = 0;
        // Set by the worker alone once it has seen that its book is the head.
        bool Head = false;
        // Guarded by the owner's lock.
        bool Open = false;
        bool Complete = false;
        SpillBuffer Spill;
        std::vector<std::string> Reports;
    };

    using ReportLine = std::function<void(const std::string& line)>;

    // `memoryPerBook` bytes of a waiting book are kept in memory, the rest in a temporary file.
    OrderedOutput(ByteSink& destination, ReportLine report, size_t window, size_t memoryPerBook);

    // The sink of book `index`; books are numbered from 0 and each is opened once. Waits while
    // the book is `window` or more books ahead of the head. Null once the output has failed.
    Book* OpenBook(size_t index);

    // The book is done. When it is the head, it and every finished book after it go out.
    void CloseBook(Book* book);

    bool Failed() const { return Failure.load(std::memory_order_acquire); }
    // Why the output failed: "cannot write the output: Broken pipe".
    std::string Error() const;

private:
    Book& Slot(size_t index) { return *Slots[index % Slots.size()]; }
    // Writes out what a book kept while it was not the head: its spill, then its reports.
    void SendKept(Book& book);
    bool WriteDestination(const char* data, size_t size);
    void Fail(const std::string& why);
    void FailDestination();

    ByteSink& Destination;
    ReportLine ReportToConsole;
    std::vector<std::unique_ptr<Book>> Slots;

    std::mutex Lock;
    std::condition_variable HeadMoved;
    // The oldest book not yet written; changed under Lock, read by workers without it.
    std::atomic<size_t> HeadIndex{0};
    std::atomic<bool> Failure{false};
    mutable std::mutex ErrorLock;
    std::string ErrorText;
};
