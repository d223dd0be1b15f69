// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/OrderedOutput.h"

#include <new>
#include <utility>

OrderedOutput::OrderedOutput(ByteSink& destination, ReportLine report, size_t window,
                             size_t memoryPerBook)
    : Destination(destination), ReportToConsole(std::move(report)) {
    Slots.resize(window == 0 ? 1 : window);
    for (auto& slot : Slots) {
        slot.reset(new Book(*this, memoryPerBook));
    }
}

void OrderedOutput::Fail(const std::string& why) {
    std::lock_guard<std::mutex> hold(ErrorLock);
    if (!Failure.load(std::memory_order_relaxed)) {
        ErrorText = why;
        Failure.store(true, std::memory_order_release);
    }
}

std::string OrderedOutput::Error() const {
    std::lock_guard<std::mutex> hold(ErrorLock);
    return ErrorText;
}

void OrderedOutput::FailDestination() {
    const std::string reason = Destination.Error();
    Fail(reason.empty() ? "cannot write the output" : "cannot write the output: " + reason);
}

bool OrderedOutput::WriteDestination(const char* data, size_t size) {
    if (Failed()) {
        return false;
    }
    if (!Destination.Write(data, size)) {
        FailDestination();
        return false;
    }
    return true;
}

void OrderedOutput::SendKept(Book& book) {
    if (!Failed() && !book.Spill.CopyTo(Destination)) {
        // Either the temporary file could not be read back or the destination failed.
        if (!book.Spill.Error().empty()) {
            Fail(book.Spill.Error());
        } else {
            FailDestination();
        }
    }
    book.Spill.Clear();
    for (const std::string& line : book.Reports) {
        try {
            ReportToConsole(line);
        } catch (const std::bad_alloc&) {
            // A line the console had no memory for is lost; closing the book must go on, or
            // the books after it would wait for it for ever.
        }
    }
    book.Reports.clear();
}

bool OrderedOutput::Book::IsHead() {
    if (!Head && Owner.HeadIndex.load(std::memory_order_acquire) == Index) {
        // Every book before this one is out, and no one else writes until this one closes.
        Head = true;
        Owner.SendKept(*this);
    }
    return Head;
}

bool OrderedOutput::Book::Write(const char* data, size_t size) {
    if (Owner.Failed()) {
        return false;
    }
    if (IsHead()) {
        return Owner.WriteDestination(data, size);
    }
    if (!Spill.Append(data, size)) {
        Owner.Fail(Spill.Error());
        return false;
    }
    return true;
}

void OrderedOutput::Book::Report(const std::string& line) {
    if (IsHead()) {
        Owner.ReportToConsole(line);
    } else {
        Reports.push_back(line);
    }
}

OrderedOutput::Book* OrderedOutput::OpenBook(size_t index) {
    std::unique_lock<std::mutex> hold(Lock);
    HeadMoved.wait(hold, [this, index] {
        return Failed() || index < HeadIndex.load(std::memory_order_relaxed) + Slots.size();
    });
    if (Failed()) {
        return nullptr;
    }
    Book& book = Slot(index);
    book.Index = index;
    book.Head = false;
    book.Open = true;
    book.Complete = false;
    return &book;
}

void OrderedOutput::CloseBook(Book* book) {
    std::lock_guard<std::mutex> hold(Lock);
    size_t head = HeadIndex.load(std::memory_order_relaxed);
    if (book->Index != head) {
        book->Complete = true;
        if (Failed()) {
            HeadMoved.notify_all();
        }
        return;
    }
    book->IsHead();
    book->Open = false;
    ++head;
    for (;;) {
        Book& next = Slot(head);
        if (!next.Open || next.Index != head || !next.Complete) {
            break;
        }
        SendKept(next);
        next.Open = false;
        ++head;
    }
    HeadIndex.store(head, std::memory_order_release);
    HeadMoved.notify_all();
}
