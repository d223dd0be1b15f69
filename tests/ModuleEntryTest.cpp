// SPDX-License-Identifier: LGPL-3.0-or-later
// The module's entry points and class factory, reached through the exports of the built
// library as a host reaches them.
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "tests/support/ComIdentity.h"
#include "tests/support/FilterModule.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A C host calls a method through the object's function table and passes IIDs by pointer.
template <typename Function> Function VtableSlot(void* object, int slot) {
    return reinterpret_cast<Function>((*static_cast<void***>(object))[slot]);
}
using QueryInterfaceByPointer = HRESULT (*)(void* self, const IID* riid, void** ppv);
using CreateInstanceByPointer = HRESULT (*)(void* self, IUnknown* outer, const IID* riid,
                                            void** ppv);
constexpr int QueryInterfaceSlot = 0;
constexpr int CreateInstanceSlot = 3;

void* const Garbage = reinterpret_cast<void*>(0x5A5A5A5A);

// A stream that holds no book and runs `OnRelease` when it goes, from inside whatever code
// releases its last reference.
class ReleaseProbeStream : public RecordingStreamBase {
public:
    std::function<void()> OnRelease;
    ~ReleaseProbeStream() override {
        if (OnRelease) {
            OnRelease();
        }
    }
};

class ModuleEntry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Module().IsLoaded()) << Module().LoadError();
        ASSERT_EQ(Module().CanUnloadNow(), S_OK) << "an earlier test left an object alive";
    }
    void TearDown() override { EXPECT_EQ(Module().CanUnloadNow(), S_OK); }

    static FilterModule& Module() { return FilterModule::Built(); }

    static ComPtr<IClassFactory> Factory(REFCLSID clsid) {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(Module().GetClassObject(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
        return factory;
    }
};

TEST_F(ModuleEntry, AFactoryKeepsTheModuleLoadedUntilItsLastRelease) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(Module().GetClassObject(BookFilterClassId, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->AddRef(), 2u);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST_F(ModuleEntry, EveryCallMakesAFactoryOfItsOwn) {
    ComPtr<IClassFactory> first = Factory(BookFilterClassId);
    ComPtr<IClassFactory> second = Factory(BookFilterClassId);
    EXPECT_NE(first.Get(), second.Get());
    first.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
}

TEST_F(ModuleEntry, UnknownIsTheClassFactoryFace) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(Module().GetClassObject(BookFilterClassId, IID_IUnknown, unknown.PutVoid()), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(unknown->QueryInterface(IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(factory.Get()), static_cast<void*>(unknown.Get()));
}

TEST_F(ModuleEntry, AFaceTheFactoryLacksIsRefusedAndTheFactoryDestroyed) {
    for (const IID* iid : {&IID_IFilter, &IID_IStream, &IID_IPersistStream}) {
        void* out = Garbage;
        EXPECT_EQ(Module().GetClassObject(BookFilterClassId, *iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(Module().CanUnloadNow(), S_OK);
    }
}

TEST_F(ModuleEntry, AFactoryForAnotherClassCountsButRefusesToCreate) {
    ComPtr<IClassFactory> factory = Factory(OtherClassId);
    ASSERT_TRUE(factory);
    void* out = Garbage;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IFilter, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    factory.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST_F(ModuleEntry, AggregationIsRefusedBeforeTheClassIsTested) {
    for (const CLSID* clsid : {&BookFilterClassId, &OtherClassId}) {
        ComPtr<IClassFactory> factory = Factory(*clsid);
        void* out = Garbage;
        EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &out),
                  CLASS_E_NOAGGREGATION);
        EXPECT_EQ(out, nullptr);
    }
}

TEST_F(ModuleEntry, ACreatedFilterOutlivesItsFactoryAndHoldsTheModule) {
    ComPtr<IClassFactory> factory = Factory(BookFilterClassId);
    IFilter* filter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&filter)),
              S_OK);
    ASSERT_NE(filter, nullptr);
    factory.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(ModuleEntry, EveryFaceOfAFilterIsOneObject) {
    ComPtr<IClassFactory> factory = Factory(BookFilterClassId);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, identity.PutVoid()), S_OK);
    factory.Reset();
    ExpectFacesOfOneIdentity(
        identity.Get(), identity.Get(),
        {&IID_IFilter, &IID_IInitializeWithStream, &IID_IPersistStream, &IID_IPersistFile});
    // Released through a face other than the one it was created with.
    ComPtr<IPersistStream> persist;
    ASSERT_EQ(identity->QueryInterface(IID_IPersistStream, persist.PutVoid()), S_OK);
    identity.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
}

TEST_F(ModuleEntry, CreatingAFaceTheFilterLacksDestroysTheFilter) {
    ComPtr<IClassFactory> factory = Factory(BookFilterClassId);
    for (const IID* iid : {&IID_IClassFactory, &IID_IStream}) {
        void* out = Garbage;
        EXPECT_EQ(factory->CreateInstance(nullptr, *iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    factory.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST_F(ModuleEntry, AServerLockHoldsTheModuleWithoutObjects) {
    ASSERT_EQ(Factory(BookFilterClassId)->LockServer(TRUE), S_OK);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    ASSERT_EQ(Factory(BookFilterClassId)->LockServer(FALSE), S_OK);
}

TEST_F(ModuleEntry, AnUnmatchedUnlockCannotFreeTheModuleUnderLiveObjects) {
    ComPtr<IClassFactory> factory = Factory(BookFilterClassId);
    ComPtr<IFilter> filter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IFilter, filter.PutVoid()), S_OK);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    }
    factory.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "the filter still lives";
    filter.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);

    // Locks taken afterwards still count, each until its own unlock.
    factory = Factory(BookFilterClassId);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    EXPECT_EQ(Factory(BookFilterClassId)->LockServer(FALSE), S_OK);
}

TEST_F(ModuleEntry, NullPointersAreRefusedWithEPointer) {
    void* out = Garbage;
    EXPECT_EQ(Module().GetClassObjectByPointer(nullptr, &IID_IClassFactory, &out), E_POINTER);
    EXPECT_EQ(out, nullptr);
    out = Garbage;
    EXPECT_EQ(Module().GetClassObjectByPointer(&BookFilterClassId, nullptr, &out), E_POINTER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Module().GetClassObjectByPointer(&BookFilterClassId, &IID_IClassFactory, nullptr),
              E_POINTER);
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory = Factory(BookFilterClassId);
    auto createInstance = VtableSlot<CreateInstanceByPointer>(factory.Get(), CreateInstanceSlot);
    out = Garbage;
    EXPECT_EQ(createInstance(factory.Get(), nullptr, nullptr, &out), E_POINTER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(createInstance(factory.Get(), nullptr, &IID_IFilter, nullptr), E_POINTER);
    auto queryInterface = VtableSlot<QueryInterfaceByPointer>(factory.Get(), QueryInterfaceSlot);
    out = Garbage;
    EXPECT_EQ(queryInterface(factory.Get(), nullptr, &out), E_POINTER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(queryInterface(factory.Get(), &IID_IClassFactory, nullptr), E_POINTER);

    // The filter object answers the same, on each of its faces.
    ComPtr<IUnknown> identity;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, identity.PutVoid()), S_OK);
    for (const IID* iid :
         {&IID_IFilter, &IID_IInitializeWithStream, &IID_IPersistStream, &IID_IPersistFile}) {
        ComPtr<IUnknown> face;
        ASSERT_EQ(identity->QueryInterface(*iid, face.PutVoid()), S_OK);
        auto faceQuery = VtableSlot<QueryInterfaceByPointer>(face.Get(), QueryInterfaceSlot);
        out = Garbage;
        EXPECT_EQ(faceQuery(face.Get(), nullptr, &out), E_POINTER);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(faceQuery(face.Get(), iid, nullptr), E_POINTER);
    }
    identity.Reset();
    factory.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

// While a filter object tears itself down it still runs module code (it releases the stream,
// frees its chunk and its memory), so the module must not yet say that it can be unloaded.
TEST_F(ModuleEntry, TheModuleStaysInUseUntilAFilterHasWhollyGone) {
    ComPtr<IClassFactory> factory = Factory(BookFilterClassId);
    ComPtr<IInitializeWithStream> filter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IInitializeWithStream, filter.PutVoid()), S_OK);
    factory.Reset();
    auto* stream = new (std::nothrow) HostObject<ReleaseProbeStream>();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(filter->Initialize(stream, 0), E_FAIL); // no book, but the stream stays bound
    ASSERT_EQ(ReferencesOf(*stream), 2);

    // The filter holds the last reference: its teardown destroys the stream.
    std::vector<HRESULT> answers;
    stream->OnRelease = [&answers] { answers.push_back(Module().CanUnloadNow()); };
    EXPECT_EQ(stream->Release(), 1u);
    filter.Reset();
    EXPECT_EQ(answers, std::vector<HRESULT>{S_FALSE});
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

} // namespace
