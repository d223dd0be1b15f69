// SPDX-License-Identifier: LGPL-3.0-or-later
// Self-registration through the exports of the built library, against the registry library
// that the module itself writes to.
#include "book/metadata/BookPropertyTable.h"
#include "platform/Platform.h"
#include "platform/native/registry/RegistryTesting.h"
#include "tests/support/FilterModule.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/Utf16Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::u16string FilterKey =
    u"Software\\Classes\\CLSID\\{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}";
const std::u16string HandlerKey =
    u"Software\\Classes\\CLSID\\{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}";
const std::u16string AddinKey = HandlerKey + u"\\PersistentAddinsRegistered";
const std::u16string IFilterAddinKey = AddinKey + u"\\{89BCB740-6119-101A-BCB7-00DD010655AF}";
const std::u16string MobiHandlerKey = u"Software\\Classes\\.mobi\\PersistentHandler";
const std::u16string AzwHandlerKey = u"Software\\Classes\\.azw\\PersistentHandler";
const std::u16string Azw3HandlerKey = u"Software\\Classes\\.azw3\\PersistentHandler";
// The thumbnail provider's class and its shell extension under each extension.
const std::u16string ThumbnailClassKey =
    u"Software\\Classes\\CLSID\\{C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC}";
const std::u16string ThumbnailClassId = u"{C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC}";
std::u16string ThumbnailShellExKey(const std::u16string& extension) {
    return u"Software\\Classes\\SystemFileAssociations\\" + extension +
           u"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
}
// The preview handler's class, its name among Explorer's preview handlers, and its shell
// extension under each extension.
const std::u16string PreviewClassId = u"{C59EB6AC-7416-4CF7-84CC-4372D2F7EA2E}";
const std::u16string PreviewClassKey = u"Software\\Classes\\CLSID\\" + PreviewClassId;
const std::u16string PreviewHandlersKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
std::u16string PreviewShellExKey(const std::u16string& extension) {
    return u"Software\\Classes\\SystemFileAssociations\\" + extension +
           u"\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}";
}
const std::u16string PropertyClassKey =
    u"Software\\Classes\\CLSID\\{C8313FCD-030E-4C95-8F1D-3A93ACC73D2C}";
const std::u16string PropertyClassId = u"{C8313FCD-030E-4C95-8F1D-3A93ACC73D2C}";
const std::u16string PropertyHandlers =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers\\";
const std::u16string FileAssociations = u"Software\\Classes\\SystemFileAssociations\\";
const std::u16string Extensions[] = {u".mobi", u".azw", u".azw3"};
// The books' kind: Explorer's kind map, and the mark of a PerceivedType that registration wrote.
const std::u16string KindMapKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap";
const std::u16string AddedPerceivedTypeKey = PropertyClassKey + u"\\AddedPerceivedType";
const std::u16string ListNames[] = {u"FullDetails", u"PreviewDetails", u"InfoTip"};
const std::u16string OtherHandler = u"{00000000-1111-2222-3333-444444444444}";

// The canonical names of the rows of the book's property table that `reader` reads.
std::u16string BookPropertyNames(unsigned reader) {
    std::u16string names;
    for (const BookPropertyRow& row : BookPropertyRows) {
        if ((row.Readers & reader) != 0) {
            names += (names.empty() ? u"" : u";") + Utf16(row.CanonicalName);
        }
    }
    return names;
}

const std::u16string BookProperties = BookPropertyNames(ReadBy::PropertyStore);
const std::u16string Lists[] = {
    u"prop:System.PropGroup.Description;" + BookProperties +
        u";System.PropGroup.FileSystem;System.ItemNameDisplay;System.ItemTypeText;"
        u"System.ItemFolderPathDisplay;System.Size;System.DateCreated;System.DateModified;"
        u"System.DateAccessed;System.FileAttributes;System.FileOwner;System.ComputerName",
    u"prop:" + BookProperties + u";System.DateModified;System.Size;System.DateCreated",
    u"prop:System.ItemTypeText;" + BookPropertyNames(ReadBy::InfoTip) +
        u";System.Size;System.DateModified",
};

struct StoredValue {
    DWORD Type;
    std::vector<BYTE> Data;
    bool operator==(const StoredValue& other) const {
        return Type == other.Type && Data == other.Data;
    }
};
// Every value under HKEY_LOCAL_MACHINE, by key path (as the keys spell themselves) and name.
using RegistryContents = std::map<std::pair<std::u16string, std::u16string>, StoredValue>;

StoredValue StringValue(const std::u16string& text) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return StoredValue{REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * 2)};
}

void ReadTree(HKEY key, const std::u16string& path, RegistryContents* contents) {
    WCHAR name[256];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        DWORD type = 0;
        BYTE data[1024];
        DWORD size = sizeof(data);
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        (*contents)[{path, std::u16string(name, nameLength)}] =
            StoredValue{type, std::vector<BYTE>(data, data + size)};
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::u16string child(name, nameLength);
        HKEY opened = nullptr;
        if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
            continue; // a key a test has made unreadable
        }
        ReadTree(opened, path.empty() ? child : path + u"\\" + child, contents);
        RegCloseKey(opened);
    }
}

RegistryContents ReadRegistry() {
    RegistryContents contents;
    ReadTree(HKEY_LOCAL_MACHINE, u"", &contents);
    return contents;
}

// Every key under `path`, empty ones too, by path.
void ReadKeyTree(HKEY key, const std::u16string& path, std::set<std::u16string>* keys) {
    WCHAR name[256];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::u16string child = path.empty() ? std::u16string(name, nameLength)
                                                  : path + u"\\" + std::u16string(name, nameLength);
        keys->insert(child);
        HKEY opened = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &opened) == ERROR_SUCCESS) {
            ReadKeyTree(opened, child, keys);
            RegCloseKey(opened);
        }
    }
}

std::set<std::u16string> ReadKeys() {
    std::set<std::u16string> keys;
    ReadKeyTree(HKEY_LOCAL_MACHINE, u"", &keys);
    return keys;
}

// What registration writes, in the order it writes it: the first `count` values.
RegistryContents ExpectedRegistration(const std::u16string& modulePath, size_t count = 47) {
    std::vector<std::pair<std::pair<std::u16string, std::u16string>, StoredValue>> values = {
        {{FilterKey, u""}, StringValue(u"Quillsift")},
        {{FilterKey + u"\\InProcServer32", u""}, StringValue(modulePath)},
        {{FilterKey + u"\\InProcServer32", u"ThreadingModel"}, StringValue(u"Both")},
        {{HandlerKey, u""}, StringValue(u"Quillsift Persistent Handler")},
        {{AddinKey, u""}, StringValue(u"")},
        {{IFilterAddinKey, u""}, StringValue(u"{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}")},
        {{MobiHandlerKey, u""}, StringValue(u"{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}")},
        {{AzwHandlerKey, u""}, StringValue(u"{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}")},
        {{Azw3HandlerKey, u""}, StringValue(u"{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}")},
        {{PropertyClassKey, u""}, StringValue(u"Quillsift Property Handler")},
        {{PropertyClassKey + u"\\InProcServer32", u""}, StringValue(modulePath)},
        {{PropertyClassKey + u"\\InProcServer32", u"ThreadingModel"}, StringValue(u"Both")},
        {{ThumbnailClassKey, u""}, StringValue(u"Quillsift Thumbnail Provider")},
        {{ThumbnailClassKey + u"\\InProcServer32", u""}, StringValue(modulePath)},
        {{ThumbnailClassKey + u"\\InProcServer32", u"ThreadingModel"}, StringValue(u"Both")},
        {{PreviewClassKey, u""}, StringValue(u"Quillsift Preview Handler")},
        {{PreviewClassKey, u"AppID"}, StringValue(u"{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}")},
        {{PreviewClassKey + u"\\InProcServer32", u""}, StringValue(modulePath)},
        {{PreviewClassKey + u"\\InProcServer32", u"ThreadingModel"}, StringValue(u"Apartment")},
        {{PreviewHandlersKey, PreviewClassId}, StringValue(u"Quillsift Preview Handler")},
    };
    for (const std::u16string& extension : Extensions) {
        values.push_back({{PropertyHandlers + extension, u""}, StringValue(PropertyClassId)});
        for (size_t i = 0; i < 3; ++i) {
            values.push_back({{FileAssociations + extension, ListNames[i]}, StringValue(Lists[i])});
        }
        values.push_back({{ThumbnailShellExKey(extension), u""}, StringValue(ThumbnailClassId)});
        values.push_back({{PreviewShellExKey(extension), u""}, StringValue(PreviewClassId)});
    }
    for (const std::u16string& extension : Extensions) {
        values.push_back({{AddedPerceivedTypeKey, extension}, StringValue(u"document")});
        values.push_back(
            {{u"Software\\Classes\\" + extension, u"PerceivedType"}, StringValue(u"document")});
        values.push_back({{KindMapKey, extension}, StringValue(u"document")});
    }
    return RegistryContents(values.begin(), values.begin() + count);
}

void PutString(const std::u16string& path, const std::u16string& name, const std::u16string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const StoredValue value = StringValue(data);
    EXPECT_EQ(RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                             value.Data.data(), static_cast<DWORD>(value.Data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A key without a value.
void PutKey(const std::u16string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A key that a test has made unreadable exists too.
bool KeyExists(const std::u16string& path) {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
    return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

// A path of exactly `length` characters under `base`, made of ASCII names.
fs::path PathOfLength(const fs::path& base, size_t length) {
    std::string path = base.string();
    while (length - path.size() > 200) {
        path += "/" + std::string(150, 'd');
    }
    const size_t fileLength = length - path.size() - 1;
    return fs::path(path) / ("lib" + std::string(fileLength - 6, 'q') + ".so");
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Module().IsLoaded()) << Module().LoadError();
        RegistryTestReset();
    }
    void TearDown() override {
        EXPECT_EQ(RegistryTestOpenHandleCount(), 0) << "a key handle was left open";
        EXPECT_EQ(Module().CanUnloadNow(), S_OK);
        RegistryTestReset();
    }

    static FilterModule& Module() { return FilterModule::Built(); }
    static std::u16string BuiltPath() { return Utf16(QUILLSIFT_LIBRARY); }

    // Extension keys as a system has them before the filter comes: values and subkeys of
    // their own, which registration must leave alone.
    static void PrepareOtherEntries() {
        PutString(u"Software\\Classes\\.mobi", u"", u"mobifile");
        PutString(u"Software\\Classes\\.mobi", u"Content Type", u"application/x-mobipocket-ebook");
        PutString(u"Software\\Classes\\.mobi\\OpenWithProgids", u"reader.mobi", u"");
        PutString(u"Software\\Classes\\.azw", u"PerceivedType", u"document");
        PutString(u"Software\\Classes\\.azw3", u"", u"reader.azw3");
        PutString(u"Software\\Classes\\.azw3\\OpenWithProgids", u"reader.azw3", u"");
        PutString(u"Software\\Classes\\.prc", u"", u"prcfile");
        PutString(u"Software\\Classes\\CLSID\\{00000000-1111-2222-3333-444444444444}", u"",
                  u"Someone else's class");
    }
};

TEST_F(Registration, WritesExactlyItsValues) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    EXPECT_EQ(ReadRegistry(), ExpectedRegistration(BuiltPath()));
    // The empty default value of PersistentAddinsRegistered is the terminator alone.
    EXPECT_EQ(ReadRegistry().at({AddinKey, u""}).Data.size(), 2u);
}

TEST_F(Registration, RegisteringAgainRewritesTheSameValues) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    PutString(MobiHandlerKey, u"", u"{11111111-2222-3333-4444-555555555555}");
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    EXPECT_EQ(ReadRegistry(), ExpectedRegistration(BuiltPath()));
}

TEST_F(Registration, UnregisteringRestoresEverythingElse) {
    PrepareOtherEntries();
    const RegistryContents before = ReadRegistry();
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    EXPECT_EQ(ReadRegistry(), before);
    EXPECT_TRUE(KeyExists(u"Software\\Classes\\.azw"));
    EXPECT_TRUE(KeyExists(u"Software\\Classes\\.azw3"));
    EXPECT_FALSE(KeyExists(MobiHandlerKey));
    EXPECT_FALSE(KeyExists(Azw3HandlerKey));
    EXPECT_FALSE(KeyExists(FilterKey));
    EXPECT_FALSE(KeyExists(HandlerKey));
}

TEST_F(Registration, UnregisteringPassesOverWhatIsNotThere) {
    const std::vector<std::vector<std::u16string>> present = {
        {},
        {FilterKey},
        {AzwHandlerKey},
        {HandlerKey, MobiHandlerKey},
        {FilterKey + u"\\InProcServer32", IFilterAddinKey, AzwHandlerKey},
        {Azw3HandlerKey},
        {MobiHandlerKey, Azw3HandlerKey + u"\\Extra"},
    };
    for (const std::vector<std::u16string>& keys : present) {
        RegistryTestReset();
        for (const std::u16string& key : keys) {
            PutString(key, u"", u"x");
        }
        EXPECT_EQ(Module().UnregisterServer(), S_OK);
        for (const std::u16string& key :
             {FilterKey, HandlerKey, MobiHandlerKey, AzwHandlerKey, Azw3HandlerKey}) {
            EXPECT_FALSE(KeyExists(key)) << Narrow(key);
        }
    }
}

TEST_F(Registration, UnregisteringDeletesSubkeysOfAnyDepth) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    PutString(FilterKey + u"\\InProcServer32\\A\\B\\C\\D", u"", u"deep");
    PutString(FilterKey + u"\\InProcServer32\\A\\B2", u"name", u"value");
    PutString(FilterKey + u"\\InProcServer32\\A0", u"", u"");
    PutString(FilterKey + u"\\Implemented Categories\\{X}", u"", u"");
    PutString(IFilterAddinKey + u"\\Extra\\Extra", u"", u"");
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    EXPECT_EQ(ReadRegistry(), RegistryContents());
    EXPECT_TRUE(KeyExists(u"Software\\Classes\\CLSID"));
}

struct DeniedRegistration {
    std::u16string deniedKey;
    size_t valuesWritten; // the entries before the refused one
};

TEST_F(Registration, ARefusedKeyStopsRegistrationWithAccessDenied) {
    const DeniedRegistration cases[] = {
        {FilterKey, 0},
        {FilterKey + u"\\InProcServer32", 1},
        {HandlerKey, 3},
        {IFilterAddinKey, 5},
        {AzwHandlerKey, 7},
        {Azw3HandlerKey, 8},
        {PropertyClassKey, 9},
        {ThumbnailClassKey, 12},
        {PreviewClassKey, 15},
        {PreviewClassKey + u"\\InProcServer32", 17},
        {PreviewHandlersKey, 19},
        {PropertyHandlers + u".mobi", 20},
        {ThumbnailShellExKey(u".mobi"), 24},
        {FileAssociations + u".azw", 27},
        {PreviewShellExKey(u".azw"), 31},
        {FileAssociations + u".azw3", 33},
        {AddedPerceivedTypeKey, 38},
        {KindMapKey, 40},
    };
    for (const DeniedRegistration& c : cases) {
        RegistryTestReset();
        RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, c.deniedKey.c_str());
        EXPECT_EQ(Module().RegisterServer(), static_cast<HRESULT>(0x80070005))
            << Narrow(c.deniedKey);
        // The entries before the refused one, in table order, and nothing else.
        EXPECT_EQ(ReadRegistry(), ExpectedRegistration(BuiltPath(), c.valuesWritten))
            << Narrow(c.deniedKey);
        if (c.valuesWritten == 0) {
            EXPECT_FALSE(KeyExists(u"Software")) << "no key may be made before the refused one";
        }
    }
}

TEST_F(Registration, ARefusedKeyDeepInATreeStopsUnregistrationAndKeepsItsAncestors) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    const std::u16string locked = FilterKey + u"\\InProcServer32\\M\\Locked";
    PutString(FilterKey + u"\\InProcServer32\\A", u"", u"goes first");
    PutString(locked, u"", u"");
    PutString(FilterKey + u"\\InProcServer32\\Z", u"", u"after the refused key");
    RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, locked.c_str());

    EXPECT_EQ(Module().UnregisterServer(), static_cast<HRESULT>(0x80070005));
    EXPECT_FALSE(KeyExists(FilterKey + u"\\InProcServer32\\A"));
    for (const std::u16string& kept :
         {FilterKey, FilterKey + u"\\InProcServer32", FilterKey + u"\\InProcServer32\\M",
          FilterKey + u"\\InProcServer32\\Z", HandlerKey, IFilterAddinKey, MobiHandlerKey,
          AzwHandlerKey, Azw3HandlerKey}) {
        EXPECT_TRUE(KeyExists(kept)) << Narrow(kept);
    }
    EXPECT_EQ(ReadRegistry().count({FilterKey + u"\\InProcServer32", u"ThreadingModel"}), 1u);
}

TEST_F(Registration, ARefusedHandlerKeyLeavesTheTreesAfterIt) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, MobiHandlerKey.c_str());
    EXPECT_EQ(Module().UnregisterServer(), static_cast<HRESULT>(0x80070005));
    EXPECT_FALSE(KeyExists(FilterKey));
    EXPECT_FALSE(KeyExists(HandlerKey));
    EXPECT_TRUE(KeyExists(MobiHandlerKey));
    EXPECT_TRUE(KeyExists(AzwHandlerKey));
    EXPECT_TRUE(KeyExists(Azw3HandlerKey));
}

// The last tree: everything before it is gone.
TEST_F(Registration, ARefusedAzw3HandlerKeyIsTheOnlyOneLeft) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, Azw3HandlerKey.c_str());
    EXPECT_EQ(Module().UnregisterServer(), static_cast<HRESULT>(0x80070005));
    for (const std::u16string& gone : {FilterKey, HandlerKey, MobiHandlerKey, AzwHandlerKey}) {
        EXPECT_FALSE(KeyExists(gone)) << Narrow(gone);
    }
    EXPECT_TRUE(KeyExists(Azw3HandlerKey));
}

// Every property the handler gives is shown, and what Windows shows of any file stays, since
// these lists replace Windows' own.
TEST_F(Registration, DetailListsNameEveryPropertyOnce) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    const RegistryContents contents = ReadRegistry();
    for (const std::u16string& extension : Extensions) {
        for (const std::u16string& name : ListNames) {
            SCOPED_TRACE(Narrow(extension + u" " + name));
            const StoredValue& stored = contents.at({FileAssociations + extension, name});
            ASSERT_EQ(stored.Type, static_cast<DWORD>(REG_SZ));
            const std::u16string list(reinterpret_cast<const char16_t*>(stored.Data.data()),
                                      stored.Data.size() / 2 - 1);
            ASSERT_EQ(list.substr(0, 5), u"prop:");
            std::vector<std::u16string> names;
            for (size_t at = 5; at <= list.size();) {
                const size_t end = std::min(list.find(u';', at), list.size());
                names.push_back(list.substr(at, end - at));
                at = end + 1;
            }
            std::vector<std::u16string> wanted = {u"System.Title", u"System.Author", u"System.Size",
                                                  u"System.DateModified"};
            if (name != u"InfoTip") {
                wanted.insert(wanted.end(),
                              {u"System.Media.Publisher", u"System.Keywords", u"System.Comment",
                               u"System.Media.DateReleased", u"System.Media.Year",
                               u"System.Language", u"System.DateCreated"});
            }
            for (const std::u16string& property : wanted) {
                EXPECT_EQ(std::count(names.begin(), names.end(), property), 1) << Narrow(property);
            }
            for (const std::u16string& listed : names) {
                EXPECT_EQ(std::count(names.begin(), names.end(), listed), 1) << Narrow(listed);
                EXPECT_EQ(listed.substr(0, 7), u"System.") << Narrow(listed);
            }
        }
    }
}

// Another program's property handler and lists are kept while Quillsift's stand, registering
// again keeps them still, and unregistering puts them back.
TEST_F(Registration, AnotherProgramsHandlerIsKeptAndPutBack) {
    PrepareOtherEntries();
    PutString(PropertyHandlers + u".mobi", u"", OtherHandler);
    PutString(FileAssociations + u".azw3", u"InfoTip", u"prop:System.Size");
    PutString(FileAssociations + u".azw3", u"PerceivedType", u"document");
    PutString(PreviewShellExKey(u".azw"), u"", OtherHandler);
    PutString(PreviewHandlersKey, OtherHandler, u"Someone else's preview handler");
    PutString(KindMapKey, u".mobi", u"text");
    const RegistryContents before = ReadRegistry();
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    const RegistryContents registered = ReadRegistry();
    EXPECT_EQ(registered.at({KindMapKey, u".mobi"}), StringValue(u"document"));
    EXPECT_EQ(registered.at({PropertyClassKey + u"\\PreviousKind", u".mobi"}),
              StringValue(u"text"));
    EXPECT_EQ(registered.at({PropertyHandlers + u".mobi", u""}), StringValue(PropertyClassId));
    EXPECT_EQ(registered.at({PropertyClassKey + u"\\PreviousPropertyHandler", u".mobi"}),
              StringValue(OtherHandler));
    EXPECT_EQ(registered.at({PropertyClassKey + u"\\PreviousInfoTip", u".azw3"}),
              StringValue(u"prop:System.Size"));
    EXPECT_EQ(registered.count({PropertyClassKey + u"\\PreviousPropertyHandler", u".azw"}), 0u);
    EXPECT_EQ(registered.at({PreviewShellExKey(u".azw"), u""}), StringValue(PreviewClassId));
    EXPECT_EQ(registered.at({PropertyClassKey + u"\\PreviousPreviewHandler", u".azw"}),
              StringValue(OtherHandler));
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    EXPECT_EQ(ReadRegistry(), before);
    EXPECT_FALSE(KeyExists(PropertyClassKey));
    EXPECT_FALSE(KeyExists(PreviewClassKey));
    EXPECT_FALSE(KeyExists(PreviewShellExKey(u".mobi")));
    EXPECT_FALSE(KeyExists(PropertyHandlers + u".azw"));
    EXPECT_TRUE(KeyExists(FileAssociations + u".azw3"));
    EXPECT_FALSE(KeyExists(FileAssociations + u".mobi"));
}

// A value someone changed after registration is theirs now: unregistration leaves it, and
// removes only what still holds Quillsift's.
TEST_F(Registration, ValuesChangedBySomeoneElseAreLeftAlone) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    PutString(PropertyHandlers + u".azw", u"", OtherHandler);
    PutString(FileAssociations + u".mobi", u"PreviewDetails", u"prop:System.Title");
    PutString(FileAssociations + u".azw3", u"FullDetails", Lists[0] + u";System.Rating");
    PutString(KindMapKey, u".azw", u"picture");
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    const RegistryContents expected = {
        {{KindMapKey, u".azw"}, StringValue(u"picture")},
        {{PropertyHandlers + u".azw", u""}, StringValue(OtherHandler)},
        {{FileAssociations + u".mobi", u"PreviewDetails"}, StringValue(u"prop:System.Title")},
        {{FileAssociations + u".azw3", u"FullDetails"}, StringValue(Lists[0] + u";System.Rating")},
    };
    EXPECT_EQ(ReadRegistry(), expected);
}

struct PerceivedTypeCase {
    const char16_t* before;    // another program's value, or null for none
    const char16_t* changedTo; // what someone writes once registered, or null
    const char16_t* registered;
    const char16_t* after; // null: the value, and the extension's key with it, are gone
};

// PerceivedType is written only where none is set, and goes on unregistration only where
// registration wrote it and nobody changed it since.
TEST_F(Registration, PerceivedTypeFillsOnlyAGapAndLeavesWithIt) {
    const PerceivedTypeCase cases[] = {
        {nullptr, nullptr, u"document", nullptr},         {u"text", nullptr, u"text", u"text"},
        {u"document", nullptr, u"document", u"document"}, {u"", nullptr, u"", u""},
        {nullptr, u"video", u"document", u"video"},
    };
    const std::u16string mobi = u"Software\\Classes\\.mobi";
    for (const PerceivedTypeCase& c : cases) {
        SCOPED_TRACE(Narrow(c.before != nullptr ? c.before : u"(none)") + " then " +
                     Narrow(c.changedTo != nullptr ? c.changedTo : u"(unchanged)"));
        RegistryTestReset();
        if (c.before != nullptr) {
            PutString(mobi, u"PerceivedType", c.before);
        }
        ASSERT_EQ(Module().RegisterServer(), S_OK);
        ASSERT_EQ(Module().RegisterServer(), S_OK);
        EXPECT_EQ(ReadRegistry().at({mobi, u"PerceivedType"}), StringValue(c.registered));
        if (c.changedTo != nullptr) {
            PutString(mobi, u"PerceivedType", c.changedTo);
        }
        ASSERT_EQ(Module().UnregisterServer(), S_OK);
        const RegistryContents after = ReadRegistry();
        if (c.after == nullptr) {
            EXPECT_EQ(after, RegistryContents());
            EXPECT_FALSE(KeyExists(mobi));
        } else {
            EXPECT_EQ(after, RegistryContents({{{mobi, u"PerceivedType"}, StringValue(c.after)}}));
        }
    }
}

struct LeftKeysCase {
    const char* what;
    std::vector<std::u16string> keys; // keys of others, without a value
    std::vector<std::pair<std::u16string, std::u16string>> values; // key, value name
};

// Every key that registration made goes once it is empty: the extensions' keys, their ShellEx
// keys, their property handlers' keys and the keys above them that a system without Quillsift
// may lack; a key that holds anything of another program stays, and so do the system's own.
TEST_F(Registration, UnregisteringDeletesTheKeysItEmptiedAndNoOther) {
    const LeftKeysCase cases[] = {
        {"nothing of others", {}, {}},
        {"a subkey of another program under .mobi",
         {u"Software\\Classes\\.mobi\\OpenWithProgids"},
         {}},
        {"a value of another program beside the lists",
         {},
         {{FileAssociations + u".azw3", u"PerceivedType"}}},
        {"another program's shell extension",
         {},
         {{FileAssociations + u".azw\\ShellEx\\{X}", u""}}},
        {"another extension's property handler", {}, {{PropertyHandlers + u".epub", u""}}},
        {"an empty key of another program under ShellEx",
         {FileAssociations + u".mobi\\ShellEx\\{Y}"},
         {}},
    };
    for (const LeftKeysCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryTestReset();
        // What every system has: classes of others, and Explorer's lists, with values of others.
        PutString(u"Software\\Classes\\CLSID\\" + OtherHandler, u"", u"Someone else's class");
        PutString(PreviewHandlersKey, OtherHandler, u"Someone else's preview handler");
        PutString(KindMapKey, u".txt", u"document");
        for (const std::u16string& key : c.keys) {
            PutKey(key);
        }
        for (const auto& value : c.values) {
            PutString(value.first, value.second, OtherHandler);
        }
        const std::set<std::u16string> keysBefore = ReadKeys();
        const RegistryContents before = ReadRegistry();
        ASSERT_EQ(Module().RegisterServer(), S_OK);
        ASSERT_EQ(Module().UnregisterServer(), S_OK);
        EXPECT_EQ(ReadKeys(), keysBefore);
        EXPECT_EQ(ReadRegistry(), before);
    }
}

// Another program's value of another type comes back with its type and bytes.
TEST_F(Registration, AKeptValueKeepsItsType) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (FileAssociations + u".azw").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE bytes[] = {1, 2, 3};
    ASSERT_EQ(RegSetValueExW(key, u"FullDetails", 0, REG_BINARY, bytes, 3), ERROR_SUCCESS);
    RegCloseKey(key);
    const RegistryContents before = ReadRegistry();
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    EXPECT_EQ(ReadRegistry(), before);
}

// Unregistration stops where a shared value cannot be put back, and keeps what is needed to
// finish later: the class key with the values kept.
TEST_F(Registration, ARefusedSharedKeyKeepsWhatIsStillToPutBack) {
    PutString(PropertyHandlers + u".azw3", u"", OtherHandler);
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    RegistryTestDenyAccess(HKEY_LOCAL_MACHINE, (PropertyHandlers + u".azw3").c_str());
    EXPECT_EQ(Module().UnregisterServer(), static_cast<HRESULT>(0x80070005));
    EXPECT_TRUE(KeyExists(PropertyClassKey + u"\\PreviousPropertyHandler"));
    EXPECT_TRUE(KeyExists(FilterKey));
    EXPECT_FALSE(KeyExists(PropertyHandlers + u".mobi"));
}

struct CopyCase {
    const char* what;
    fs::path (*place)(const fs::path& base);
    HRESULT expected;
};

TEST_F(Registration, ACopyElsewhereRegistersItsOwnPathOrNothing) {
    const CopyCase cases[] = {
        {"plain", [](const fs::path& base) { return base / "copy" / "libquillsift.so"; }, S_OK},
        {"non-ASCII",
         [](const fs::path& base) { return base / u8"B\u00fccher \U0001F4DA" / "libquillsift.so"; },
         S_OK},
        {"259 characters", [](const fs::path& base) { return PathOfLength(base, 259); }, S_OK},
        {"260 characters", [](const fs::path& base) { return PathOfLength(base, 260); },
         HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
        {"400 characters", [](const fs::path& base) { return PathOfLength(base, 400); },
         HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
        {"not UTF-8", [](const fs::path& base) { return base / "bad\xff" / "libquillsift.so"; },
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryTestReset();
        TemporaryDirectory directory;
        ASSERT_FALSE(directory.Path().empty());
        const fs::path copy = c.place(directory.Path());
        fs::create_directories(copy.parent_path());
        fs::copy_file(QUILLSIFT_LIBRARY, copy);

        FilterModule module(copy.string());
        ASSERT_TRUE(module.IsLoaded()) << module.LoadError();
        EXPECT_EQ(module.RegisterServer(), c.expected);
        if (c.expected == S_OK) {
            EXPECT_EQ(ReadRegistry(), ExpectedRegistration(Utf16(copy.string())));
        } else {
            EXPECT_EQ(ReadRegistry(), RegistryContents());
        }
        EXPECT_EQ(module.CanUnloadNow(), S_OK);
    }
}

// A host that loaded the library through a relative path and then changed directory still
// registers the file it loaded, not whatever that relative path names now.
TEST_F(Registration, ALibraryLoadedByARelativePathRegistersTheFileItLoaded) {
    TemporaryDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    const fs::path loaded = directory.Path() / "first" / "lib" / "libquillsift.so";
    const fs::path other = directory.Path() / "second" / "lib" / "libquillsift.so";
    for (const fs::path& copy : {loaded, other}) {
        fs::create_directories(copy.parent_path());
        fs::copy_file(QUILLSIFT_LIBRARY, copy);
    }
    const fs::path previous = fs::current_path();
    fs::current_path(directory.Path() / "first");
    FilterModule module("./lib/libquillsift.so");
    fs::current_path(directory.Path() / "second");
    ASSERT_TRUE(module.IsLoaded()) << module.LoadError();
    const HRESULT registered = module.RegisterServer();
    fs::current_path(directory.Path());
    fs::remove_all(directory.Path() / "second");
    EXPECT_EQ(module.RegisterServer(), registered) << "the path must not depend on the directory";
    fs::current_path(previous);
    EXPECT_EQ(registered, S_OK);
    EXPECT_EQ(ReadRegistry(), ExpectedRegistration(Utf16(fs::canonical(loaded).string())));
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

struct ThumbnailHandlerCase {
    const char16_t* value; // what the .azw ShellEx key holds when unregistering
    bool removed;
};

// Unregistration removes the thumbnail provider's ShellEx key only while it holds what
// registration wrote: a program that took .azw over since keeps its handler. The other handlers
// under ShellEx stay in every case.
TEST_F(Registration, UnregisteringRemovesTheThumbnailHandlerOnlyWhileItIsOurs) {
    const ThumbnailHandlerCase cases[] = {
        {u"{C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC}", true},
        // Rewritten, if only in letter case: no longer the value registration wrote.
        {u"{c6d123b7-c9f2-49d8-99b7-5f7b665e4afc}", false},
        {u"{11111111-2222-3333-4444-555555555555}", false},
        {u"C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC", false},
        {u"", false},
    };
    const std::u16string otherHandler =
        u"Software\\Classes\\SystemFileAssociations\\.azw\\ShellEx\\"
        u"{8895b1c6-b41f-4c1c-a562-0d564250836f}";
    for (const ThumbnailHandlerCase& c : cases) {
        SCOPED_TRACE(Narrow(c.value));
        RegistryTestReset();
        ASSERT_EQ(Module().RegisterServer(), S_OK);
        PutString(ThumbnailShellExKey(u".azw"), u"", c.value);
        PutString(otherHandler, u"", u"{22222222-3333-4444-5555-666666666666}");
        ASSERT_EQ(Module().UnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(ThumbnailClassKey));
        EXPECT_FALSE(KeyExists(ThumbnailShellExKey(u".mobi")));
        EXPECT_FALSE(KeyExists(ThumbnailShellExKey(u".azw3")));
        EXPECT_EQ(KeyExists(ThumbnailShellExKey(u".azw")), !c.removed);
        EXPECT_TRUE(KeyExists(otherHandler));
    }
}

} // namespace
