// SPDX-License-Identifier: LGPL-3.0-or-later
// The property store as the tools print it, from a store scripted here: names, escapes, the
// types printed and passed over, and a store that fails part way.
#include "tools/common/PropertyStoreJson.h"
#include "platform/ComObject.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const PROPERTYKEY Unknown = {
    {0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}}, 7};

// Hands out copies of its values; the call numbered `FailingCall` fails.
class ScriptedStoreBase : public IPropertyStore {
public:
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, IPropertyStore), {nullptr, 0}};
        return table;
    }
    virtual ~ScriptedStoreBase() = default;

    std::vector<std::pair<PROPERTYKEY, PROPVARIANT>> Values;
    int FailingCall = -1;

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
        *count = static_cast<DWORD>(Values.size());
        return Next();
    }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override {
        *key = Values[index].first;
        return Next();
    }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
        PropVariantInit(value);
        for (const auto& [stored, variant] : Values) {
            if (IsEqualPropertyKey(stored, key)) {
                EXPECT_EQ(PropVariantCopy(value, &variant), S_OK);
            }
        }
        return Next();
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override {
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }

private:
    HRESULT Next() { return Calls++ == FailingCall ? E_OUTOFMEMORY : S_OK; }
    int Calls = 0;
};
using ScriptedStore = HostObject<ScriptedStoreBase>;

PROPVARIANT StringValue(const WCHAR* text) {
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_LPWSTR;
    value.pwszVal = const_cast<WCHAR*>(text);
    return value;
}

class PropertyStoreJson : public ::testing::Test {
protected:
    void SetUp() override {
        static WCHAR first[] = u"Ana \"A\"\n";
        static WCHAR second[] = u"\u68ee\U0001F4DA";
        static LPWSTR authors[] = {first, second};
        PROPVARIANT vector;
        PropVariantInit(&vector);
        vector.vt = VT_VECTOR | VT_LPWSTR;
        vector.calpwstr.cElems = 2;
        vector.calpwstr.pElems = authors;
        PROPVARIANT year;
        PropVariantInit(&year);
        year.vt = VT_UI4;
        year.ulVal = 2024;
        PROPVARIANT signedNumber;
        PropVariantInit(&signedNumber);
        signedNumber.vt = VT_I4;
        signedNumber.lVal = -1;
        PROPVARIANT emptyVector;
        PropVariantInit(&emptyVector);
        emptyVector.vt = VT_VECTOR | VT_LPWSTR;
        Store.Values = {{PKEY_Title, StringValue(u"T\\itle")},
                        {PKEY_Author, vector},
                        {PKEY_Media_Year, year},
                        {PKEY_Language, signedNumber},
                        {PKEY_Keywords, emptyVector},
                        {Unknown, StringValue(u"x")}};
    }

    ScriptedStore Store;
};

TEST_F(PropertyStoreJson, NamesEveryKeyAndPrintsEachTypeItKnows) {
    std::string out = "before ";
    ASSERT_EQ(AppendPropertyStoreJson(&Store, out), S_OK);
    EXPECT_EQ(out, "before {\"System.Title\":\"T\\\\itle\","
                   "\"System.Author\":[\"Ana \\\"A\\\"\\n\",\"\xE6\xA3\xAE\xF0\x9F\x93\x9A\"],"
                   "\"System.Media.Year\":2024,\"System.Keywords\":[],"
                   "\"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}/7\":\"x\"}\n");
}

TEST_F(PropertyStoreJson, AFailingCallLeavesTheOutputAsItWas) {
    for (int call = 0; call < 13; ++call) {
        SCOPED_TRACE(call);
        ScriptedStore store;
        store.Values = Store.Values;
        store.FailingCall = call;
        std::string out = "kept";
        EXPECT_EQ(AppendPropertyStoreJson(&store, out), E_OUTOFMEMORY);
        EXPECT_EQ(out, "kept");
    }
}

TEST(EmptyPropertyStore, IsAnEmptyObject) {
    ScriptedStore store;
    std::string out;
    ASSERT_EQ(AppendPropertyStoreJson(&store, out), S_OK);
    EXPECT_EQ(out, "{}\n");
}

} // namespace
