// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/OrderedOutput.h"

#include "tests/support/StringSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Reports {
    std::mutex Lock;
    std::vector<std::string> Lines;
    OrderedOutput::ReportLine Sink() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> hold(Lock);
            Lines.push_back(line);
        };
    }
};

bool Write(OrderedOutput::Book* book, const std::string& text) {
    return book->Write(text.data(), text.size());
}

TEST(OrderedOutput, GivesOutTheBooksInTheirOrderWhateverOrderTheyFinishIn) {
    StringSink destination;
    Reports reports;
    // Eight bytes in memory: the longer books wait in temporary files.
    OrderedOutput ordered(destination, reports.Sink(), 8, 8);
    std::vector<OrderedOutput::Book*> books;
    for (size_t i = 0; i < 5; ++i) {
        books.push_back(ordered.OpenBook(i));
        ASSERT_NE(books.back(), nullptr);
    }
    ASSERT_TRUE(Write(books[3], "three, "));
    books[3]->Report("report 3\n");
    ASSERT_TRUE(Write(books[1], "one, and a longer text than fits, "));
    ASSERT_TRUE(Write(books[0], "zero, "));
    // The head writes straight through; the others wait.
    EXPECT_EQ(destination.Text, "zero, ");
    books[1]->Report("report 1\n");
    ASSERT_TRUE(Write(books[4], "four."));
    ordered.CloseBook(books[3]);
    ordered.CloseBook(books[1]);
    EXPECT_EQ(destination.Text, "zero, ");
    ASSERT_TRUE(Write(books[2], "two, "));
    books[0]->Report("report 0\n");
    ordered.CloseBook(books[0]);
    // Book 1 was done and went out; book 2 is the head now, still open, and sends what it
    // kept with its next write.
    EXPECT_EQ(destination.Text, "zero, one, and a longer text than fits, ");
    ASSERT_TRUE(Write(books[2], "still two, "));
    EXPECT_EQ(destination.Text, "zero, one, and a longer text than fits, two, still two, ");
    ordered.CloseBook(books[2]);
    ordered.CloseBook(books[4]);
    EXPECT_EQ(destination.Text,
              "zero, one, and a longer text than fits, two, still two, three, four.");
    EXPECT_EQ(reports.Lines, (std::vector<std::string>{"report 0\n", "report 1\n", "report 3\n"}));
    EXPECT_FALSE(ordered.Failed());
}

TEST(OrderedOutput, HoldsABookThatIsTooFarAheadUntilTheHeadCloses) {
    StringSink destination;
    Reports reports;
    OrderedOutput ordered(destination, reports.Sink(), 2, 1024);
    OrderedOutput::Book* first = ordered.OpenBook(0);
    OrderedOutput::Book* second = ordered.OpenBook(1);
    std::atomic<bool> opened{false};
    std::thread third([&] {
        OrderedOutput::Book* book = ordered.OpenBook(2);
        opened = true;
        Write(book, "c");
        ordered.CloseBook(book);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(opened);
    Write(second, "b");
    ordered.CloseBook(second);
    Write(first, "a");
    ordered.CloseBook(first);
    third.join();
    EXPECT_TRUE(opened);
    EXPECT_EQ(destination.Text, "abc");
}

TEST(OrderedOutput, StopsEveryBookOnceTheDestinationFails) {
    StringSink destination;
    destination.FailFrom = 2;
    Reports reports;
    OrderedOutput ordered(destination, reports.Sink(), 4, 1024);
    OrderedOutput::Book* first = ordered.OpenBook(0);
    OrderedOutput::Book* second = ordered.OpenBook(1);
    EXPECT_TRUE(Write(second, "waits"));
    EXPECT_TRUE(Write(first, "out"));
    EXPECT_FALSE(Write(first, "fails"));
    EXPECT_TRUE(ordered.Failed());
    EXPECT_EQ(ordered.Error(), "cannot write the output: told to fail");
    EXPECT_FALSE(Write(second, "dropped"));
    ordered.CloseBook(second);
    ordered.CloseBook(first);
    EXPECT_EQ(ordered.OpenBook(2), nullptr);
    EXPECT_EQ(destination.Text, "out");
}

TEST(OrderedOutput, KeepsTheOrderWithManyWorkers) {
    // Workers take books in turn and write them in pieces of uneven sizes, some beyond what
    // is kept in memory; the result is the books one after another.
    const size_t bookCount = 300;
    std::vector<std::string> texts;
    std::string expected;
    for (size_t i = 0; i < bookCount; ++i) {
        texts.push_back("[" + std::to_string(i) + ":" +
                        std::string((i * 7919) % 5000, 'a' + i % 26) + "]\n");
        expected += texts.back();
    }
    StringSink destination;
    Reports reports;
    OrderedOutput ordered(destination, reports.Sink(), 16, 1024);
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&] {
            for (size_t index; (index = next++) < bookCount;) {
                OrderedOutput::Book* book = ordered.OpenBook(index);
                ASSERT_NE(book, nullptr);
                const std::string& text = texts[index];
                for (size_t at = 0; at < text.size(); at += 333) {
                    ASSERT_TRUE(
                        book->Write(text.data() + at, std::min<size_t>(333, text.size() - at)));
                }
                book->Report(std::to_string(index));
                ordered.CloseBook(book);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(destination.Text, expected);
    ASSERT_EQ(reports.Lines.size(), bookCount);
    for (size_t i = 0; i < bookCount; ++i) {
        EXPECT_EQ(reports.Lines[i], std::to_string(i));
    }
}

} // namespace
