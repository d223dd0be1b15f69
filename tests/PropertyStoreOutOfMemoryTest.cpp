// SPDX-License-Identifier: LGPL-3.0-or-later
// The property handler running out of memory: each task allocation of a book's properties is
// made to fail in turn. Binding either gives every property or fails with E_OUTOFMEMORY and an
// empty store; nothing leaks (the sanitizer build checks), and no property goes missing quietly.
#include "platform/UniqueAny.h"
#include "platform/native/TaskMemoryTesting.h"
#include "tests/support/BookBinding.h"
#include "tests/support/MakeBookPropertyStore.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct StoreRun {
    HRESULT Bound = E_FAIL;
    bool AllocationFailed = false;
    std::vector<std::u16string> Properties; // each key's id and every string, for comparing
};

StoreRun RunStore(const std::vector<unsigned char>& bytes) {
    StoreRun run;
    RecordingStream stream(bytes);
    ComPtr<IPropertyStore> store;
    run.Bound = MakeBookPropertyStore(&stream, store);
    run.AllocationFailed = TaskMemoryTestFailureHappened();
    // Read without the allocator failing: only binding is under test.
    TaskMemoryTestFailAllocation(0);
    if (!store) {
        return run;
    }
    for (const StoredProperty& property : ReadStore(store.Get())) {
        run.Properties.push_back(std::u16string(1, static_cast<char16_t>(property.Key.pid)));
        for (const std::u16string& text : property.Strings) {
            run.Properties.push_back(text);
        }
    }
    return run;
}

class PropertyStoreOutOfMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(PropertyStoreOutOfMemory, BindingGivesEveryPropertyOrFailsWhole) {
    const auto bytes = TestBook(GetParam());
    TaskMemoryTestFailAllocation(0);
    const StoreRun reference = RunStore(bytes);
    ASSERT_EQ(reference.Bound, S_OK);
    unsigned long nth = 1;
    bool sawFailure = false;
    for (;; ++nth) {
        SCOPED_TRACE(::testing::Message() << "allocation " << nth << " fails");
        TaskMemoryTestFailAllocation(nth);
        const StoreRun run = RunStore(bytes);
        if (!run.AllocationFailed) {
            EXPECT_EQ(run.Properties, reference.Properties);
            break;
        }
        if (run.Bound == E_OUTOFMEMORY && nth == 1) {
            // The object itself could not be made.
            sawFailure = true;
        } else if (run.Bound == E_OUTOFMEMORY) {
            sawFailure = true;
            EXPECT_TRUE(run.Properties.empty());
        } else {
            EXPECT_EQ(run.Bound, S_OK);
            EXPECT_EQ(run.Properties, reference.Properties);
        }
    }
    EXPECT_TRUE(sawFailure);
    // The object, then at least one allocation for each of the five or more properties.
    EXPECT_GT(nth, 6u);
}

// Every kind of property: strings, vectors, a description of markup, a year.
INSTANTIATE_TEST_SUITE_P(Books, PropertyStoreOutOfMemory,
                         ::testing::Values("markup/lexique-kf8.azw3", "duet-kf8.azw"),
                         TestBookName);

} // namespace
