// SPDX-License-Identifier: LGPL-3.0-or-later
// Self-registration: the extensions and the module's classes are listed once, and loops write
// and remove what each needs:
//  - the values that are Quillsift's alone (its class keys, the extensions' persistent
//    handlers), written as they are and removed with their trees;
//  - the values of shared keys that name a handler or list properties (the extensions'
//    property handler, thumbnail provider and preview handler, Explorer's detail lists, which
//    name the properties of the book's table): another program's value there is kept under the
//    property handler's class key and put back on unregistration, which removes a value only
//    while it still holds what Quillsift wrote;
//  - the preview handler's name among Explorer's preview handlers, a value of its own in a
//    shared key;
//  - the books' kind: `document` in Explorer's kind map, kept and put back as the handlers
//    are, and the extensions' PerceivedType, written only where none is set.
// Unregistration then deletes the keys it left empty (an extension's key, its ShellEx keys,
// its property handler's key, and above them those this empties, up to Software\Classes or
// ...\CurrentVersion), never one that holds a value or a subkey.
// .azw3 is what calibre and Kindle Previewer name KF8 books; .prc is left alone, since Palm
// resource files of every kind use it.
#include "book/metadata/BookPropertyTable.h"
#include "module/ClassIds.h"
#include "module/DllExports.h"
#include "module/ModuleHandle.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "platform/text/Utf16Length.h"

#include <cstring>
#include <initializer_list>

namespace {

// Registry text built from parts: key paths and the detail lists. Every piece is ASCII or the
// module's path, and none comes near the capacity; text that would not fit is refused whole.
class RegistryText {
public:
    RegistryText() = default;
    explicit RegistryText(std::initializer_list<LPCWSTR> parts) {
        for (LPCWSTR part : parts) {
            Append(part);
        }
    }
    RegistryText& Append(LPCWSTR part) {
        const size_t length = Utf16Length(part);
        if (Length + length >= Capacity) {
            Overflowed = true;
            return *this;
        }
        std::memcpy(Text + Length, part, length * sizeof(WCHAR));
        Length += length;
        Text[Length] = 0;
        return *this;
    }
    // ASCII text of the property table.
    RegistryText& AppendAscii(const char* part) {
        for (; *part != 0 && Length + 1 < Capacity; ++part) {
            Text[Length++] = static_cast<WCHAR>(*part);
        }
        Overflowed = Overflowed || *part != 0;
        Text[Length] = 0;
        return *this;
    }
    LPCWSTR Get() const { return Text; }
    bool Fits() const { return !Overflowed; }

private:
    static constexpr size_t Capacity = 1024;
    WCHAR Text[Capacity] = {};
    size_t Length = 0;
    bool Overflowed = false;
};

const WCHAR ClassesKey[] = UTF16("Software\\Classes\\");
const WCHAR ClassIdsKey[] = UTF16("Software\\Classes\\CLSID\\");
const WCHAR PropertyHandlersKey[] =
    UTF16("Software\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers\\");
const WCHAR FileAssociationsKey[] = UTF16("Software\\Classes\\SystemFileAssociations\\");
// The shell extensions that hand a type's files to a thumbnail provider and to a preview
// handler.
const WCHAR ThumbnailShellEx[] = UTF16("\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}");
const WCHAR PreviewShellEx[] = UTF16("\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}");
// Explorer's list of preview handlers: one value per class, named by its id.
const WCHAR PreviewHandlersKey[] =
    UTF16("Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers");
// Explorer's kind of each extension (what `kind:document` and the Documents filter of Windows
// Search go by): one value per extension, named by it.
const WCHAR KindMapKey[] = UTF16("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap");
const WCHAR DocumentKind[] = UTF16("document");
// The keys above which unregistration deletes no key it empties: every system has them, and
// they hold other programs' keys.
const WCHAR ClassesFloor[] = UTF16("Software\\Classes");
const WCHAR CurrentVersionFloor[] = UTF16("Software\\Microsoft\\Windows\\CurrentVersion");

// The extensions Quillsift registers.
const LPCWSTR Extensions[] = {UTF16(".mobi"), UTF16(".azw"), UTF16(".azw3")};

// A class of the module: its key, CLSID\{id}, names it; InProcServer32 the module's path and
// its threading model: Both for the classes that hosts call from either apartment (under Wine
// an Apartment class cannot be created from a multithreaded one), Apartment for the preview
// handler, whose window lives on its host's thread. The preview handler names the AppID of
// the preview host (prevhost.exe), the surrogate Explorer runs it in.
struct ModuleClassKey {
    LPCWSTR ClassId;
    LPCWSTR Name;
    LPCWSTR ThreadingModel;
    LPCWSTR AppId; // null: none
};
const WCHAR BothThreads[] = UTF16("Both");
const ModuleClassKey FilterClass = {CLSID_BookFilter, UTF16("Quillsift"), BothThreads, nullptr};
const ModuleClassKey PropertyHandlerClass = {
    CLSID_BookPropertyHandler, UTF16("Quillsift Property Handler"), BothThreads, nullptr};
const ModuleClassKey ThumbnailProviderClass = {
    CLSID_BookThumbnailProvider, UTF16("Quillsift Thumbnail Provider"), BothThreads, nullptr};
const ModuleClassKey PreviewHandlerClass = {CLSID_BookPreviewHandler,
                                            UTF16("Quillsift Preview Handler"), UTF16("Apartment"),
                                            UTF16("{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}")};

// Explorer's lists of a type's properties: the book's (the rows of the property table that
// `reader` reads), between what Windows shows of every file, since these lists replace
// Windows' own.
struct DetailList {
    LPCWSTR Name;
    LPCWSTR Before;
    unsigned Reader;
    LPCWSTR After;
};
const DetailList DetailLists[] = {
    {UTF16("FullDetails"), UTF16("prop:System.PropGroup.Description;"), ReadBy::PropertyStore,
     UTF16(";System.PropGroup.FileSystem;System.ItemNameDisplay;System.ItemTypeText;"
           "System.ItemFolderPathDisplay;System.Size;System.DateCreated;System.DateModified;"
           "System.DateAccessed;System.FileAttributes;System.FileOwner;System.ComputerName")},
    {UTF16("PreviewDetails"), UTF16("prop:"), ReadBy::PropertyStore,
     UTF16(";System.DateModified;System.Size;System.DateCreated")},
    {UTF16("InfoTip"), UTF16("prop:System.ItemTypeText;"), ReadBy::InfoTip,
     UTF16(";System.Size;System.DateModified")},
};
constexpr size_t DetailListCount = sizeof(DetailLists) / sizeof(DetailLists[0]);

RegistryText DetailListText(const DetailList& list) {
    RegistryText text({list.Before});
    const char* separator = "";
    for (const BookPropertyRow& row : BookPropertyRows) {
        if ((row.Readers & list.Reader) != 0 && row.CanonicalName != nullptr) {
            text.AppendAscii(separator).AppendAscii(row.CanonicalName);
            separator = ";";
        }
    }
    return text.Append(list.After);
}

const WCHAR IFilterInterfaceId[] = UTF16("" IFILTER_IID_TEXT);

// One REG_SZ value that registration writes.
struct RegistryEntry {
    LPCWSTR KeyPath;   // under HKEY_LOCAL_MACHINE
    LPCWSTR ValueName; // null for the key's default value
    LPCWSTR Data;      // null-terminated
};

// What registration does with a value of a shared key that another program has set.
enum class SharedPolicy {
    // Replaces it, kept as the extension's value under `SavedKey` and put back on
    // unregistration (the handlers, the detail lists, the kind).
    Replaces,
    // Leaves it and writes nothing; where there was none, writes its own and marks it as
    // written under `SavedKey` (PerceivedType), so that unregistration removes its own alone.
    FillsGap,
};

// A value of a shared key, beneath the property handler's class key the value kept for it
// (`SavedKey`, `SavedName`), and the key above which the keys its removal empties stay
// (`Floor`, itself when none may go).
struct SharedEntry {
    RegistryEntry Entry;
    LPCWSTR SavedKey;
    LPCWSTR SavedName;
    LPCWSTR Floor;
    SharedPolicy Policy;
};

// A registry string is at most this long here; a longer value is no value of Quillsift's, and
// is kept (or put back) only up to this size.
constexpr DWORD MaxValueBytes = 4096;

// A value as it is stored: its type and bytes.
struct StoredValue {
    DWORD Type = REG_NONE;
    DWORD Size = 0;
    BYTE Data[MaxValueBytes];
};

DWORD StringBytes(LPCWSTR text) {
    // The terminating null is stored with the string. (Not counted with char_traits: in the
    // winelib build WCHAR is a 16-bit wchar_t, which the C library measures in 32-bit units.)
    return static_cast<DWORD>((Utf16Length(text) + 1) * sizeof(WCHAR));
}

HRESULT OpenKey(LPCWSTR path, REGSAM access, RegistryKey& key) {
    return HRESULT_FROM_WIN32(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, key.Put()));
}

HRESULT CreateKey(LPCWSTR path, RegistryKey& key) {
    return HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr,
                                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                              key.Put(), nullptr));
}

// Writes one value, creating its key and every missing key above it.
HRESULT WriteValue(LPCWSTR path, LPCWSTR name, DWORD type, const BYTE* data, DWORD size) {
    RegistryKey key;
    RETURN_IF_FAILED(CreateKey(path, key));
    return HRESULT_FROM_WIN32(RegSetValueExW(key.Get(), name, 0, type, data, size));
}

HRESULT WriteEntry(const RegistryEntry& entry) {
    return WriteValue(entry.KeyPath, entry.ValueName, REG_SZ,
                      reinterpret_cast<const BYTE*>(entry.Data), StringBytes(entry.Data));
}

// S_FALSE when the value (or its key) is not there.
HRESULT ReadValue(LPCWSTR path, LPCWSTR name, StoredValue& value) {
    value.Type = REG_NONE;
    value.Size = 0;
    RegistryKey key;
    const HRESULT opened = OpenKey(path, KEY_QUERY_VALUE, key);
    if (opened == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        return S_FALSE;
    }
    RETURN_IF_FAILED(opened);
    value.Size = sizeof(value.Data);
    const LONG status =
        RegQueryValueExW(key.Get(), name, nullptr, &value.Type, value.Data, &value.Size);
    if (status == ERROR_FILE_NOT_FOUND) {
        value.Size = 0;
        return S_FALSE;
    }
    return HRESULT_FROM_WIN32(status);
}

bool Holds(const StoredValue& value, const RegistryEntry& entry) {
    const DWORD size = StringBytes(entry.Data);
    return value.Type == REG_SZ && value.Size == size &&
           std::memcmp(value.Data, entry.Data, size) == 0;
}

// Whether the key holds neither a value nor a subkey.
bool IsEmptyKey(LPCWSTR path) {
    RegistryKey key;
    if (FAILED(OpenKey(path, KEY_READ, key))) {
        return false;
    }
    // Names are at most 255 characters (values' 16383; a longer one is not nothing).
    WCHAR found[256];
    DWORD nameLength = 256;
    const LONG subkey =
        RegEnumKeyExW(key.Get(), 0, found, &nameLength, nullptr, nullptr, nullptr, nullptr);
    nameLength = 256;
    const LONG value =
        RegEnumValueW(key.Get(), 0, found, &nameLength, nullptr, nullptr, nullptr, nullptr);
    return subkey == ERROR_NO_MORE_ITEMS && value == ERROR_NO_MORE_ITEMS;
}

// Deletes `path` when it holds nothing, then each key above it that this leaves empty, up to
// `floor` (a key that stays, and above `path` or `path` itself).
void DeleteEmptyKeys(LPCWSTR path, LPCWSTR floor) {
    WCHAR keyPath[MaxValueBytes / sizeof(WCHAR)];
    const size_t length = Utf16Length(path);
    const size_t floorLength = Utf16Length(floor);
    if (length >= sizeof(keyPath) / sizeof(keyPath[0])) {
        return;
    }
    std::memcpy(keyPath, path, (length + 1) * sizeof(WCHAR));
    for (size_t end = length; end > floorLength && IsEmptyKey(keyPath);) {
        if (RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath) != ERROR_SUCCESS) {
            return;
        }
        while (end != 0 && keyPath[end - 1] != '\\') {
            --end;
        }
        if (end == 0) {
            return;
        }
        keyPath[--end] = 0;
    }
}

// Removes a value, then the keys this leaves empty up to `floor`.
HRESULT DeleteValue(LPCWSTR path, LPCWSTR name, LPCWSTR floor) {
    RegistryKey key;
    HRESULT result = OpenKey(path, KEY_ALL_ACCESS, key);
    if (SUCCEEDED(result)) {
        const LONG status = RegDeleteValueW(key.Get(), name);
        result = status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
    }
    if (FAILED(result)) {
        return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : result;
    }
    key.Reset();
    DeleteEmptyKeys(path, floor);
    return S_OK;
}

// Removes a value of Quillsift's own from a key that others fill too, and leaves the key; one
// that is not there counts as removed.
HRESULT DeleteOwnValue(LPCWSTR path, LPCWSTR name) {
    RegistryKey key;
    const HRESULT opened = OpenKey(path, KEY_SET_VALUE, key);
    if (opened == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        return S_OK;
    }
    RETURN_IF_FAILED(opened);
    const LONG status = RegDeleteValueW(key.Get(), name);
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

// Keeps another program's value before Quillsift's replaces it; a value already Quillsift's
// (registering again) keeps what was kept before. A value that only fills a gap is written
// where there is none, marked as Quillsift's first.
HRESULT WriteShared(const SharedEntry& shared) {
    StoredValue found;
    // A value too long to keep (ERROR_MORE_DATA) stops registration rather than be lost.
    const HRESULT read = ReadValue(shared.Entry.KeyPath, shared.Entry.ValueName, found);
    RETURN_IF_FAILED(read);
    if (shared.Policy == SharedPolicy::FillsGap) {
        StoredValue mark;
        const HRESULT marked = ReadValue(shared.SavedKey, shared.SavedName, mark);
        RETURN_IF_FAILED(marked);
        if (read == S_OK && (marked == S_FALSE || !Holds(found, shared.Entry))) {
            return S_OK;
        }
        RETURN_IF_FAILED(WriteEntry({shared.SavedKey, shared.SavedName, shared.Entry.Data}));
    } else if (read == S_OK && !Holds(found, shared.Entry)) {
        RETURN_IF_FAILED(
            WriteValue(shared.SavedKey, shared.SavedName, found.Type, found.Data, found.Size));
    }
    return WriteEntry(shared.Entry);
}

// Only a value that still holds Quillsift's is touched: it gives way to the value kept, or
// goes. A value that filled a gap goes only where Quillsift marked it as its own.
HRESULT RestoreShared(const SharedEntry& shared) {
    StoredValue found;
    const HRESULT read = ReadValue(shared.Entry.KeyPath, shared.Entry.ValueName, found);
    if (read == S_FALSE || read == HRESULT_FROM_WIN32(ERROR_MORE_DATA) ||
        (SUCCEEDED(read) && !Holds(found, shared.Entry))) {
        return S_OK;
    }
    RETURN_IF_FAILED(read);
    StoredValue kept;
    const HRESULT keptRead = ReadValue(shared.SavedKey, shared.SavedName, kept);
    RETURN_IF_FAILED(keptRead);
    if (shared.Policy == SharedPolicy::FillsGap) {
        return keptRead == S_OK
                   ? DeleteValue(shared.Entry.KeyPath, shared.Entry.ValueName, shared.Floor)
                   : S_OK;
    }
    if (keptRead == S_OK) {
        return WriteValue(shared.Entry.KeyPath, shared.Entry.ValueName, kept.Type, kept.Data,
                          kept.Size);
    }
    return DeleteValue(shared.Entry.KeyPath, shared.Entry.ValueName, shared.Floor);
}

// Explorer caches what it knows of the extensions' handlers until told.
HRESULT Notified(HRESULT result) {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return result;
}

HRESULT WriteString(const RegistryText& key, LPCWSTR name, LPCWSTR data) {
    if (!key.Fits()) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    return WriteEntry({key.Get(), name, data});
}

HRESULT WriteClassKey(const ModuleClassKey& moduleClass, LPCWSTR modulePath) {
    RegistryText key({ClassIdsKey, moduleClass.ClassId});
    RETURN_IF_FAILED(WriteString(key, nullptr, moduleClass.Name));
    if (moduleClass.AppId != nullptr) {
        RETURN_IF_FAILED(WriteString(key, UTF16("AppID"), moduleClass.AppId));
    }
    key.Append(UTF16("\\InProcServer32"));
    RETURN_IF_FAILED(WriteString(key, nullptr, modulePath));
    return WriteString(key, UTF16("ThreadingModel"), moduleClass.ThreadingModel);
}

// The persistent handler, whose IFilter add-in is the filter, and the extensions naming it.
HRESULT WritePersistentHandler() {
    RegistryText key({ClassIdsKey, CLSID_BookPersistentHandler});
    RETURN_IF_FAILED(WriteString(key, nullptr, UTF16("Quillsift Persistent Handler")));
    key.Append(UTF16("\\PersistentAddinsRegistered"));
    RETURN_IF_FAILED(WriteString(key, nullptr, UTF16("")));
    key.Append(UTF16("\\")).Append(IFilterInterfaceId);
    RETURN_IF_FAILED(WriteString(key, nullptr, CLSID_BookFilter));
    for (LPCWSTR extension : Extensions) {
        const RegistryText handler({ClassesKey, extension, UTF16("\\PersistentHandler")});
        RETURN_IF_FAILED(WriteString(handler, nullptr, CLSID_BookPersistentHandler));
    }
    return S_OK;
}

// A value of an extension's shared keys, in the order they are written and restored: the
// property handler, the detail lists, the thumbnail provider, the preview handler; then the
// kind. Another program's value found there is kept as the extension's value under the
// property handler's class key, in `Saved`.
struct SharedValue {
    LPCWSTR Under;          // the key that holds the extension's key, or the value itself
    LPCWSTR Beneath;        // the subkey of the extension's key that holds the value, or ""
    LPCWSTR ValueName;      // null for the key's default value; with `NamedByExtension`, unused
    LPCWSTR Data;           // the value: a class id of the module, a word...
    const DetailList* List; // ... or a detail list
    LPCWSTR Saved;
    LPCWSTR Floor;
    SharedPolicy Policy = SharedPolicy::Replaces;
    // The value is named by the extension, in `Under` itself (a list of Explorer's).
    bool NamedByExtension = false;
};
const SharedValue HandlerValues[] = {
    {PropertyHandlersKey, UTF16(""), nullptr, CLSID_BookPropertyHandler, nullptr,
     UTF16("PreviousPropertyHandler"), CurrentVersionFloor},
    {FileAssociationsKey, UTF16(""), DetailLists[0].Name, nullptr, &DetailLists[0],
     UTF16("PreviousFullDetails"), ClassesFloor},
    {FileAssociationsKey, UTF16(""), DetailLists[1].Name, nullptr, &DetailLists[1],
     UTF16("PreviousPreviewDetails"), ClassesFloor},
    {FileAssociationsKey, UTF16(""), DetailLists[2].Name, nullptr, &DetailLists[2],
     UTF16("PreviousInfoTip"), ClassesFloor},
    {FileAssociationsKey, ThumbnailShellEx, nullptr, CLSID_BookThumbnailProvider, nullptr,
     UTF16("PreviousThumbnailProvider"), ClassesFloor},
    {FileAssociationsKey, PreviewShellEx, nullptr, CLSID_BookPreviewHandler, nullptr,
     UTF16("PreviousPreviewHandler"), ClassesFloor},
};
// Written after every handler, so that what came before stands as it did. Explorer's kind map
// is a key of the system's own: it stays, empty or not.
const SharedValue KindValues[] = {
    {ClassesKey, UTF16(""), UTF16("PerceivedType"), DocumentKind, nullptr,
     UTF16("AddedPerceivedType"), ClassesFloor, SharedPolicy::FillsGap},
    {KindMapKey, UTF16(""), nullptr, DocumentKind, nullptr, UTF16("PreviousKind"), KindMapKey,
     SharedPolicy::Replaces, true},
};

// Calls `act` on every value of `values` for every extension, in order, up to the first
// failure.
template <size_t Count>
HRESULT ForEachSharedEntry(const SharedValue (&values)[Count], HRESULT (*act)(const SharedEntry&)) {
    RegistryText lists[DetailListCount];
    for (size_t i = 0; i < DetailListCount; ++i) {
        lists[i] = DetailListText(DetailLists[i]);
    }
    for (LPCWSTR extension : Extensions) {
        for (const SharedValue& value : values) {
            const RegistryText key = value.NamedByExtension
                                         ? RegistryText({value.Under})
                                         : RegistryText({value.Under, extension, value.Beneath});
            const LPCWSTR name = value.NamedByExtension ? extension : value.ValueName;
            const RegistryText saved(
                {ClassIdsKey, CLSID_BookPropertyHandler, UTF16("\\"), value.Saved});
            const RegistryText* list =
                value.List != nullptr ? &lists[value.List - DetailLists] : nullptr;
            if (!key.Fits() || !saved.Fits() || (list != nullptr && !list->Fits())) {
                return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
            }
            const LPCWSTR data = list != nullptr ? list->Get() : value.Data;
            RETURN_IF_FAILED(
                act({{key.Get(), name, data}, saved.Get(), extension, value.Floor, value.Policy}));
        }
    }
    return S_OK;
}

// Every value in order, up to the first that fails.
HRESULT Register(LPCWSTR modulePath) {
    RETURN_IF_FAILED(WriteClassKey(FilterClass, modulePath));
    RETURN_IF_FAILED(WritePersistentHandler());
    RETURN_IF_FAILED(WriteClassKey(PropertyHandlerClass, modulePath));
    RETURN_IF_FAILED(WriteClassKey(ThumbnailProviderClass, modulePath));
    RETURN_IF_FAILED(WriteClassKey(PreviewHandlerClass, modulePath));
    RETURN_IF_FAILED(
        WriteEntry({PreviewHandlersKey, CLSID_BookPreviewHandler, PreviewHandlerClass.Name}));
    RETURN_IF_FAILED(ForEachSharedEntry(HandlerValues, WriteShared));
    return ForEachSharedEntry(KindValues, WriteShared);
}

// Removes a tree of Quillsift's own; one that is not there counts as removed.
HRESULT DeleteTree(const RegistryText& path) {
    if (!path.Fits()) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    const LONG code = RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.Get());
    return code == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(code);
}

// The shared values first, then Quillsift's own trees; the property handler's class key
// last, since it keeps the values to put back until they are back. An extension's key that
// its persistent handler leaves empty goes with it.
HRESULT Unregister() {
    RETURN_IF_FAILED(ForEachSharedEntry(HandlerValues, RestoreShared));
    RETURN_IF_FAILED(ForEachSharedEntry(KindValues, RestoreShared));
    RETURN_IF_FAILED(DeleteTree(RegistryText({ClassIdsKey, CLSID_BookFilter})));
    RETURN_IF_FAILED(DeleteTree(RegistryText({ClassIdsKey, CLSID_BookPersistentHandler})));
    for (LPCWSTR extension : Extensions) {
        RETURN_IF_FAILED(
            DeleteTree(RegistryText({ClassesKey, extension, UTF16("\\PersistentHandler")})));
        const RegistryText extensionKey({ClassesKey, extension});
        if (extensionKey.Fits()) {
            DeleteEmptyKeys(extensionKey.Get(), ClassesFloor);
        }
    }
    RETURN_IF_FAILED(DeleteTree(RegistryText({ClassIdsKey, CLSID_BookThumbnailProvider})));
    RETURN_IF_FAILED(DeleteOwnValue(PreviewHandlersKey, CLSID_BookPreviewHandler));
    RETURN_IF_FAILED(DeleteTree(RegistryText({ClassIdsKey, CLSID_BookPreviewHandler})));
    return DeleteTree(RegistryText({ClassIdsKey, CLSID_BookPropertyHandler}));
}

} // namespace

// What was written before a failure stays.
STDAPI DllRegisterServer() {
    WCHAR modulePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ModuleHandle, modulePath, MAX_PATH);
    if (length == 0) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    // A path cut to fit the buffer would name another file.
    if (length >= MAX_PATH) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    return Notified(Register(modulePath));
}

// The extension keys themselves and their other values stay. A value or tree that is not there
// counts as removed; any other failure stops the run.
STDAPI DllUnregisterServer() {
    return Notified(Unregister());
}
