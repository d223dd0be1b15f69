// SPDX-License-Identifier: LGPL-3.0-or-later
// The property handler as a shell host calls it: binding once, a read-only store, the answers
// for what it lacks, and books that do not load.
#include "book/CBookPropertyStore.h"
#include "platform/ComObject.h"
#include "platform/UniqueAny.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ComIdentity.h"
#include "tests/support/MakeBookPropertyStore.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const PROPERTYKEY NotAProperty = {{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}}, 99};

class PropertyStoreContract : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(
            CreateInstance<CBookPropertyStore>(IID_IInitializeWithStream, Initialize.PutVoid()),
            S_OK);
        ASSERT_EQ(Initialize->QueryInterface(IID_IPropertyStore, Store.PutVoid()), S_OK);
    }

    void ExpectEmpty() {
        DWORD count = 99;
        EXPECT_EQ(Store->GetCount(&count), S_OK);
        EXPECT_EQ(count, 0u);
        PROPERTYKEY key;
        EXPECT_EQ(Store->GetAt(0, &key), E_INVALIDARG);
        PropVariant value;
        EXPECT_EQ(Store->GetValue(PKEY_Title, &value.Get()), S_OK);
        EXPECT_EQ(value->vt, VT_EMPTY);
    }

    ComPtr<IInitializeWithStream> Initialize;
    ComPtr<IPropertyStore> Store;
};

TEST_F(PropertyStoreContract, BindsOnceAndGivesBackTheStream) {
    RecordingStream stream(TestBook("harbor-kf8.azw3"));
    EXPECT_EQ(Initialize->Initialize(&stream, STGM_READ), S_OK);
    // Everything is read while binding: the stream is not kept.
    EXPECT_EQ(ReferencesOf(stream), 1);
    RecordingStream other(TestBook("duet-kf8.azw"));
    EXPECT_EQ(Initialize->Initialize(&other, STGM_READ),
              HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    EXPECT_TRUE(other.Calls.empty());
    PropVariant title;
    ASSERT_EQ(Store->GetValue(PKEY_Title, &title.Get()), S_OK);
    ASSERT_EQ(title->vt, VT_LPWSTR);
    EXPECT_EQ(std::u16string(title->pwszVal), u"The Harbor Lanterns");
}

TEST_F(PropertyStoreContract, RefusesANullStreamAndAWritableOneWithoutBinding) {
    EXPECT_EQ(Initialize->Initialize(nullptr, STGM_READ), E_INVALIDARG);
    RecordingStream stream(TestBook("harbor-kf8.azw3"));
    EXPECT_EQ(Initialize->Initialize(&stream, STGM_READWRITE), STG_E_ACCESSDENIED);
    EXPECT_TRUE(stream.Calls.empty());
    EXPECT_EQ(Initialize->Initialize(&stream, STGM_READ), S_OK);
}

TEST_F(PropertyStoreContract, IsEmptyBeforeBinding) {
    ExpectEmpty();
}

TEST_F(PropertyStoreContract, ABookThatDoesNotLoadFailsAndLeavesAnEmptyStore) {
    const std::vector<unsigned char> whole = TestBook("harbor-kf8.azw3");
    const std::vector<std::vector<unsigned char>> books = {
        {},
        std::vector<unsigned char>(100, 0),
        std::vector<unsigned char>(whole.begin(), whole.begin() + 70),
    };
    for (const std::vector<unsigned char>& bytes : books) {
        SetUp();
        RecordingStream stream(bytes);
        EXPECT_TRUE(FAILED(Initialize->Initialize(&stream, STGM_READ))) << bytes.size();
        EXPECT_EQ(ReferencesOf(stream), 1);
        ExpectEmpty();
        // Failed or not, the store was bound once.
        RecordingStream good(TestBook("harbor-kf8.azw3"));
        EXPECT_EQ(Initialize->Initialize(&good, STGM_READ),
                  HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    }
}

TEST_F(PropertyStoreContract, IsReadOnly) {
    RecordingStream stream(TestBook("harbor-kf8.azw3"));
    ASSERT_EQ(Initialize->Initialize(&stream, STGM_READ), S_OK);
    PROPVARIANT value;
    PropVariantInit(&value);
    EXPECT_EQ(Store->SetValue(PKEY_Title, value), STG_E_ACCESSDENIED);
    EXPECT_EQ(Store->Commit(), STG_E_ACCESSDENIED);
    ComPtr<IPropertyStoreCapabilities> capabilities;
    ASSERT_EQ(Store->QueryInterface(IID_IPropertyStoreCapabilities, capabilities.PutVoid()), S_OK);
    for (const PROPERTYKEY* key : {&PKEY_Title, &PKEY_Author, &NotAProperty}) {
        EXPECT_EQ(capabilities->IsPropertyWritable(*key), S_FALSE);
    }
}

TEST_F(PropertyStoreContract, AnswersForWhatItLacks) {
    RecordingStream stream(TestBook("harbor-kf8.azw3"));
    ASSERT_EQ(Initialize->Initialize(&stream, STGM_READ), S_OK);
    DWORD count = 0;
    ASSERT_EQ(Store->GetCount(&count), S_OK);
    EXPECT_EQ(count, 5u);
    PROPERTYKEY key = PKEY_Title;
    EXPECT_EQ(Store->GetAt(count, &key), E_INVALIDARG);
    EXPECT_EQ(Store->GetAt(0xFFFFFFFF, &key), E_INVALIDARG);
    // A key it lacks, one of its own it has not (a publisher), a garbage variant overwritten.
    for (const PROPERTYKEY* lacking : {&NotAProperty, &PKEY_Media_Publisher}) {
        PROPVARIANT value;
        std::memset(&value, 0xAB, sizeof(value));
        EXPECT_EQ(Store->GetValue(*lacking, &value), S_OK);
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
    EXPECT_EQ(Store->GetCount(nullptr), E_POINTER);
    EXPECT_EQ(Store->GetAt(0, nullptr), E_POINTER);
    EXPECT_EQ(Store->GetValue(PKEY_Title, nullptr), E_POINTER);
}

// A caller's copy is its own: changing or clearing it leaves the store's value.
TEST_F(PropertyStoreContract, GetValueHandsOutCopies) {
    RecordingStream stream(TestBook("duet-kf8.azw"));
    ASSERT_EQ(Initialize->Initialize(&stream, STGM_READ), S_OK);
    for (int round = 0; round < 2; ++round) {
        PropVariant authors;
        ASSERT_EQ(Store->GetValue(PKEY_Author, &authors.Get()), S_OK);
        ASSERT_EQ(authors->vt, VT_VECTOR | VT_LPWSTR);
        ASSERT_EQ(authors->calpwstr.cElems, 2u);
        EXPECT_EQ(std::u16string(authors->calpwstr.pElems[1]), u"Piet Vos");
        authors->calpwstr.pElems[1][0] = u'X';
    }
}

TEST_F(PropertyStoreContract, AnswersItsThreeFacesAsOneObject) {
    ComPtr<IUnknown> identity;
    ASSERT_EQ(Initialize->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    ExpectFacesOfOneIdentity(
        Store.Get(), identity.Get(),
        {&IID_IPropertyStore, &IID_IInitializeWithStream, &IID_IPropertyStoreCapabilities});
    ComPtr<IUnknown> none;
    EXPECT_EQ(Store->QueryInterface(IID_IFilter, none.PutVoid()), E_NOINTERFACE);
}

} // namespace
