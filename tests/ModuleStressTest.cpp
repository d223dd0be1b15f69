// SPDX-License-Identifier: LGPL-3.0-or-later
// Many host threads at once through the exports of the built library: factories, filters,
// their faces, reference counts and server locks. Built under ThreadSanitizer in CI as well.
#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "tests/support/FilterModule.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int Threads = 8;
constexpr int Rounds = 5000;

const IID* const FilterFaces[] = {&IID_IFilter, &IID_IInitializeWithStream, &IID_IPersistStream,
                                  &IID_IPersistFile, &IID_IUnknown};
constexpr int FaceCount = sizeof(FilterFaces) / sizeof(FilterFaces[0]);

// One round of a host thread; returns the number of results that were not as expected.
int HostRound(FilterModule& module, IClassFactory* sharedFactory, IUnknown* sharedFilter,
              int round) {
    int faults = 0;
    auto expect = [&faults](bool condition) { faults += condition ? 0 : 1; };

    ComPtr<IClassFactory> factory;
    if (round % 2 == 0) {
        expect(module.GetClassObject(BookFilterClassId, IID_IClassFactory, factory.PutVoid()) ==
               S_OK);
    } else {
        ComPtr<IUnknown> unknown;
        expect(module.GetClassObject(BookFilterClassId, IID_IUnknown, unknown.PutVoid()) == S_OK);
        if (unknown) {
            expect(unknown->QueryInterface(IID_IClassFactory, factory.PutVoid()) == S_OK);
        }
    }
    if (!factory) {
        return faults + 1;
    }
    expect(module.CanUnloadNow() == S_FALSE);
    expect(factory->LockServer(TRUE) == S_OK);

    ComPtr<IUnknown> filter;
    expect(factory->CreateInstance(nullptr, *FilterFaces[round % FaceCount], filter.PutVoid()) ==
           S_OK);
    if (filter) {
        ComPtr<IUnknown> identity;
        expect(filter->QueryInterface(IID_IUnknown, identity.PutVoid()) == S_OK);
        for (const IID* face : FilterFaces) {
            ComPtr<IUnknown> other;
            expect(identity->QueryInterface(*face, other.PutVoid()) == S_OK);
            ComPtr<IUnknown> back;
            expect(other->QueryInterface(IID_IUnknown, back.PutVoid()) == S_OK);
            expect(back.Get() == identity.Get());
        }
    }

    // The shared objects' counts are moved by every thread at once.
    ComPtr<IUnknown> sharedFace;
    expect(sharedFilter->QueryInterface(*FilterFaces[(round + 1) % FaceCount],
                                        sharedFace.PutVoid()) == S_OK);
    sharedFilter->AddRef();
    sharedFilter->Release();
    ComPtr<IFilter> fromShared;
    expect(sharedFactory->CreateInstance(nullptr, IID_IFilter, fromShared.PutVoid()) == S_OK);
    expect(sharedFactory->AddRef() >= 2);
    sharedFactory->Release();

    expect(factory->LockServer(FALSE) == S_OK);
    return faults;
}

TEST(ModuleStress, EightHostThreadsLeaveTheModuleFreeToUnload) {
    FilterModule& module = FilterModule::Built();
    ASSERT_TRUE(module.IsLoaded()) << module.LoadError();
    ASSERT_EQ(module.CanUnloadNow(), S_OK);

    ComPtr<IClassFactory> sharedFactory;
    ASSERT_EQ(module.GetClassObject(BookFilterClassId, IID_IClassFactory, sharedFactory.PutVoid()),
              S_OK);
    ComPtr<IUnknown> sharedFilter;
    ASSERT_EQ(sharedFactory->CreateInstance(nullptr, IID_IUnknown, sharedFilter.PutVoid()), S_OK);

    std::atomic<int> faults{0};
    std::atomic<bool> start{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&] {
            while (!start.load()) {
                std::this_thread::yield();
            }
            for (int round = 0; round < Rounds; ++round) {
                faults += HostRound(module, sharedFactory.Get(), sharedFilter.Get(), round);
            }
        });
    }
    start = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(faults.load(), 0);

    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    sharedFilter.Reset();
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(sharedFactory.Detach()->Release(), 0u);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

} // namespace
