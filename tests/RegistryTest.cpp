// SPDX-License-Identifier: LGPL-3.0-or-later
// The in-memory registry of the native build: the Windows behaviour that registration relies on.
#include "platform/Platform.h"
#include "platform/native/registry/RegistryTesting.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { RegistryTestReset(); }
    void TearDown() override { EXPECT_EQ(RegistryTestOpenHandleCount(), 0); }

    static HKEY Create(LPCWSTR path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access, nullptr, &key,
                                  disposition),
                  ERROR_SUCCESS);
        return key;
    }

    static LSTATUS Open(LPCWSTR path, HKEY* key, REGSAM access = KEY_READ) {
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, key);
    }

    static bool Exists(LPCWSTR path) {
        HKEY key = nullptr;
        if (Open(path, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    static void SetString(HKEY key, LPCWSTR name, const std::u16string& data) {
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>((data.size() + 1) * 2)),
                  ERROR_SUCCESS);
    }
};

TEST_F(Registry, CreateMakesEveryMissingKeyAndReportsWhetherItWasNew) {
    DWORD disposition = 0;
    HKEY key = Create(u"Software\\Classes\\Deep\\Key", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);
    EXPECT_TRUE(Exists(u"Software\\Classes\\Deep"));

    key = Create(u"SOFTWARE\\classes\\deep\\KEY", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
}

TEST_F(Registry, NamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
    RegCloseKey(Create(u"Software\\MixedCase"));
    RegCloseKey(Create(u"software\\MIXEDCASE\\Child"));
    HKEY software = nullptr;
    ASSERT_EQ(Open(u"SOFTWARE", &software), ERROR_SUCCESS);
    WCHAR name[256];
    DWORD length = 256;
    ASSERT_EQ(RegEnumKeyExW(software, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), u"MixedCase");
    RegCloseKey(software);
}

TEST_F(Registry, OpenOfAMissingKeyIsFileNotFound) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(Open(u"Software\\Nothing", &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AKeyWithSubkeysCannotBeDeleted) {
    RegCloseKey(Create(u"Software\\Parent\\Child"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Parent"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Exists(u"Software\\Parent\\Child"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Parent\\Child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Parent"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(u"Software\\Parent"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Parent"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DeleteTreeTakesEverythingBeneathAndStopsAtADeniedKey) {
    HKEY deep = Create(u"Software\\Tree\\A\\B\\C");
    SetString(deep, u"name", u"value");
    RegCloseKey(deep);
    RegCloseKey(Create(u"Software\\Tree\\Z"));
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"software\\TREE"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(u"Software\\Tree"));
    EXPECT_TRUE(Exists(u"Software"));
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software\\Tree"), ERROR_FILE_NOT_FOUND);

    // Without a subkey, the key itself stays, emptied.
    HKEY kept = Create(u"Software\\Kept");
    SetString(kept, nullptr, u"value");
    RegCloseKey(Create(u"Software\\Kept\\Child"));
    EXPECT_EQ(RegDeleteTreeW(kept, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(kept, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(kept);
    EXPECT_TRUE(Exists(u"Software\\Kept"));
    EXPECT_FALSE(Exists(u"Software\\Kept\\Child"));

    // Subkeys go in enumeration order, each with its own first: A goes, the denied key stops
    // the walk, and its ancestors and Z stay.
    RegCloseKey(Create(u"Software\\Tree\\A\\Inside"));
    RegCloseKey(Create(u"Software\\Tree\\M\\Locked"));
    RegCloseKey(Create(u"Software\\Tree\\Z"));
    RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, u"Software\\Tree\\M\\Locked");
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software\\Tree"), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Exists(u"Software\\Tree\\A"));
    EXPECT_TRUE(Exists(u"Software\\Tree\\M"));
    EXPECT_TRUE(Exists(u"Software\\Tree\\Z"));
}

TEST_F(Registry, AHandleToADeletedKeyAnswersKeyDeleted) {
    HKEY key = Create(u"Software\\Gone");
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Gone"), ERROR_SUCCESS);
    SetLastError(0);
    const BYTE data[2] = {0, 0};
    EXPECT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, data, 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, StringValuesKeepTheirBytesAndReportTheirSize) {
    HKEY key = Create(u"Software\\Values");
    SetString(key, nullptr, u"default");
    SetString(key, u"Named", u"");

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 16u);

    WCHAR small[4];
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 16u);

    WCHAR empty[4] = {1, 1, 1, 1};
    size = sizeof(empty);
    ASSERT_EQ(
        RegQueryValueExW(key, u"NAMED", nullptr, &type, reinterpret_cast<BYTE*>(empty), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(empty[0], 0);

    // Setting a value again replaces it; it is not added twice.
    SetString(key, u"named", u"x");
    DWORD count = 0;
    WCHAR name[32];
    DWORD nameLength = 32;
    while (RegEnumValueW(key, count, name, &nameLength, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        ++count;
        nameLength = 32;
    }
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(RegQueryValueExW(key, u"Other", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, EnumerationEndsWithNoMoreItemsAndRefusesAShortBuffer) {
    RegCloseKey(Create(u"Software\\List\\ABCDEFGH"));
    HKEY list = nullptr;
    ASSERT_EQ(Open(u"Software\\List", &list), ERROR_SUCCESS);
    WCHAR name[16];
    DWORD length = 8; // room for 7 characters and the terminator
    EXPECT_EQ(RegEnumKeyExW(list, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    length = 9;
    EXPECT_EQ(RegEnumKeyExW(list, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(length, 8u);
    length = 16;
    EXPECT_EQ(RegEnumKeyExW(list, 1, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(list);
}

TEST_F(Registry, AHandleOnlyDoesWhatItWasOpenedFor) {
    RegCloseKey(Create(u"Software\\Rights\\Child"));
    HKEY reader = nullptr;
    ASSERT_EQ(Open(u"Software\\Rights", &reader, KEY_READ), ERROR_SUCCESS);
    const BYTE data[2] = {0, 0};
    EXPECT_EQ(RegSetValueExW(reader, nullptr, 0, REG_SZ, data, 2), ERROR_ACCESS_DENIED);
    HKEY created = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(reader, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
        ERROR_ACCESS_DENIED);
    RegCloseKey(reader);

    HKEY setter = nullptr;
    ASSERT_EQ(Open(u"Software\\Rights", &setter, KEY_SET_VALUE), ERROR_SUCCESS);
    WCHAR name[16];
    DWORD length = 16;
    EXPECT_EQ(RegEnumKeyExW(setter, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(setter);
}

// Only the value named goes (without case; the default value by null or by ""), the others keep
// their order,
// and a reader's handle cannot delete.
TEST_F(Registry, DeleteValueTakesOneValueWithTheRightToSetIt) {
    HKEY key = Create(u"Software\\Values");
    SetString(key, nullptr, u"default");
    SetString(key, u"One", u"1");
    SetString(key, u"Two", u"2");
    HKEY reader = nullptr;
    ASSERT_EQ(Open(u"Software\\Values", &reader, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(reader, u"One"), ERROR_ACCESS_DENIED);
    RegCloseKey(reader);

    EXPECT_EQ(RegDeleteValueW(key, u"oNE"), ERROR_SUCCESS) << "names compare without case";
    EXPECT_EQ(RegDeleteValueW(key, u"One"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key, u""), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, nullptr), ERROR_FILE_NOT_FOUND);
    WCHAR name[16];
    DWORD length = 16;
    ASSERT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), u"Two");
    length = 16;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

struct PathCase {
    std::u16string path;
    LSTATUS expected;
};

TEST_F(Registry, MalformedPathsAreRefused) {
    const PathCase cases[] = {
        {u"\\Software", ERROR_BAD_PATHNAME},
        {u"Software\\\\Twice", ERROR_BAD_PATHNAME},
        {u"Software\\" + std::u16string(256, u'n'), ERROR_INVALID_PARAMETER},
        {u"Software\\" + std::u16string(255, u'n'), ERROR_SUCCESS},
        {u"Software\\Trailing\\", ERROR_SUCCESS},
    };
    for (const PathCase& c : cases) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  c.expected);
        if (key != nullptr) {
            RegCloseKey(key);
        }
    }
}

TEST_F(Registry, ADeniedPathRefusesItselfAndEverythingBeneath) {
    RegCloseKey(Create(u"Software\\Locked\\Inside"));
    RegCloseKey(Create(u"Software\\Open"));
    RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, u"software\\LOCKED");

    HKEY key = nullptr;
    EXPECT_EQ(Open(u"Software\\Locked", &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(u"Software\\Locked\\Inside", &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(u"Software\\Locked\\Missing", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Locked\\New\\Deeper", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(u"Software\\Locked\\New", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Locked\\Inside"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Exists(u"Software\\Open"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Open"), ERROR_SUCCESS);

    RegistryTestReset();
    RegCloseKey(Create(u"Software\\Locked"));
}

TEST_F(Registry, ConcurrentWritersEachFindTheirOwnKeys) {
    constexpr int Threads = 4;
    constexpr int Rounds = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([t] {
            const std::u16string base = u"Software\\Concurrent\\T" + std::u16string(1, u'0' + t);
            for (int i = 0; i < Rounds; ++i) {
                HKEY key = nullptr;
                const std::u16string path = base + u"\\Key";
                ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &key, nullptr),
                          ERROR_SUCCESS);
                const BYTE data[2] = {static_cast<BYTE>(i), 0};
                ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, data, 2), ERROR_SUCCESS);
                RegCloseKey(key);
                ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()), ERROR_SUCCESS);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    HKEY concurrent = nullptr;
    ASSERT_EQ(Open(u"Software\\Concurrent", &concurrent), ERROR_SUCCESS);
    WCHAR name[16];
    for (DWORD i = 0; i < Threads; ++i) {
        DWORD length = 16;
        EXPECT_EQ(RegEnumKeyExW(concurrent, i, name, &length, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
    }
    RegCloseKey(concurrent);
}

} // namespace
