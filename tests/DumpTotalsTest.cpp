#include "tools/common/DumpTotals.h"

#include <gtest/gtest.h>

namespace {

TEST(DumpTotals, SumsBooksAndSummarisesTheRun) {
    DumpTotals first;
    first.Books = 1;
    first.Chunks = 3;
    first.Characters = 400;
    first.Bytes = 1500000;
    DumpTotals second;
    second.Books = 1;
    second.FailedLoads = 1;
    second.Chunks = 4;
    second.Characters = 600;
    second.Bytes = 500000;
    DumpTotals totals;
    totals += first;
    totals += second;
    EXPECT_EQ(totals.Summary(0.5),
              "2 books, 1 failed load, 7 chunks, 1000 characters, 2.00 MB in 500.0 ms (4.00 MB/s)");
    EXPECT_EQ(totals.Summary(4), "2 books, 1 failed load, 7 chunks, 1000 characters, 2.00 MB in "
                                 "4.00 s (0.50 MB/s)");
    EXPECT_EQ(first.Summary(0), "1 book, 0 failed loads, 3 chunks, 400 characters, 1.50 MB");
}

} // namespace
