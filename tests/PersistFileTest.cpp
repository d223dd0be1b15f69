// SPDX-License-Identifier: LGPL-3.0-or-later
// Binding a book by its path through IPersistFile, as hosts that use LoadIFilter do, against
// binding the same file's stream.
#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "platform/native/FileStream.h"
#include "tests/support/BookBinding.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/MakeBookFilter.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

const HRESULT FileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
const HRESULT PathNotFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);

std::u16string Utf16Path(const std::string& path) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::u16string wide(static_cast<size_t>(units), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units) - 1);
    return wide;
}

// Every book that testdata/MANIFEST.tsv lists.
std::vector<std::string> ManifestBooks() {
    std::ifstream manifest(TestBookPath("MANIFEST.tsv"));
    std::vector<std::string> books;
    std::string line;
    std::getline(manifest, line); // the header
    while (std::getline(manifest, line)) {
        const std::string file = line.substr(0, line.find('\t'));
        if (!file.empty()) {
            books.push_back(file);
        }
    }
    return books;
}

ComPtr<IPersistFile> NewPersistFile() {
    ComPtr<IPersistFile> persist;
    EXPECT_EQ(CreateInstance<CFilterSample>(IID_IPersistFile, persist.PutVoid()), S_OK);
    return persist;
}

ComPtr<IFilter> FilterOf(IUnknown* object) {
    ComPtr<IFilter> filter;
    EXPECT_EQ(object->QueryInterface(IID_IFilter, filter.PutVoid()), S_OK);
    return filter;
}

struct CurFile {
    HRESULT Result;
    std::u16string Name;
};

CurFile GetCurFile(IPersistFile* persist) {
    LPOLESTR name = nullptr;
    const HRESULT result = persist->GetCurFile(&name);
    const CoTaskMemPtr<WCHAR> owned(name);
    return {result, name != nullptr ? std::u16string(name) : std::u16string(u"(null)")};
}

void ExpectSameChunks(const DrainResult& actual, const DrainResult& expected) {
    EXPECT_EQ(actual.End, expected.End);
    ASSERT_EQ(actual.Chunks.size(), expected.Chunks.size());
    for (size_t i = 0; i < actual.Chunks.size(); ++i) {
        EXPECT_EQ(actual.Chunks[i].Id, expected.Chunks[i].Id) << i;
        EXPECT_EQ(actual.Chunks[i].Kind, expected.Chunks[i].Kind) << i;
        EXPECT_EQ(actual.Chunks[i].Property, expected.Chunks[i].Property) << i;
        EXPECT_EQ(actual.Chunks[i].Content, expected.Chunks[i].Content) << i;
    }
}

class EveryBook : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryBook, LoadByPathGivesTheChunksOfItsStream) {
    const std::string path = TestBookPath(GetParam());
    ComPtr<IStream> stream;
    ASSERT_EQ(FileStream::Open(path.c_str(), stream.Put()), S_OK);
    ComPtr<IFilter> byStream;
    const HRESULT streamBound = MakeBookFilter(stream.Get(), byStream);
    const DrainResult expected = DrainFilter(byStream.Get());

    ComPtr<IPersistFile> persist = NewPersistFile();
    const std::u16string widePath = Utf16Path(path);
    EXPECT_EQ(persist->Load(widePath.c_str(), STGM_READ), streamBound);
    ExpectSameChunks(DrainFilter(FilterOf(persist.Get()).Get()), expected);
    const CurFile current = GetCurFile(persist.Get());
    EXPECT_EQ(current.Result, S_OK);
    EXPECT_EQ(current.Name, widePath);
}

INSTANTIATE_TEST_SUITE_P(Books, EveryBook, ::testing::ValuesIn(ManifestBooks()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return TestNameOf(info.param);
                         });

// The host's mode does not reach the open: a book is only ever read, and shared.
TEST(PersistFile, AnyModeTheHostAsksOpensTheBookForReading) {
    const std::u16string path = Utf16Path(TestBookPath("harbor-kf7.mobi"));
    const DWORD modes[] = {STGM_READ,      STGM_READ | STGM_SHARE_DENY_WRITE,      STGM_WRITE,
                           STGM_READWRITE, STGM_READWRITE | STGM_SHARE_DENY_WRITE, 0xFFFFFFFF};
    for (DWORD mode : modes) {
        ComPtr<IPersistFile> persist = NewPersistFile();
        EXPECT_EQ(persist->Load(path.c_str(), mode), S_OK) << std::hex << mode;
        EXPECT_EQ(DrainFilter(FilterOf(persist.Get()).Get()).End, FILTER_E_END_OF_CHUNKS);
    }
}

TEST(PersistFile, CurFileFollowsHowTheObjectWasLastBound) {
    const std::u16string kf7 = Utf16Path(TestBookPath("harbor-kf7.mobi"));
    const std::u16string kf8 = Utf16Path(TestBookPath("harbor-kf8.azw3"));
    const CurFile none = {S_FALSE, u"*.mobi"};
    // Outlives the filter, which may hold it at the end.
    RecordingStream stream(TestBook("duet-kf8.azw"));
    ComPtr<IPersistFile> persist = NewPersistFile();
    ComPtr<IInitializeWithStream> initialize;
    ComPtr<IPersistStream> persistStream;
    ASSERT_EQ(persist->QueryInterface(IID_IInitializeWithStream, initialize.PutVoid()), S_OK);
    ASSERT_EQ(persist->QueryInterface(IID_IPersistStream, persistStream.PutVoid()), S_OK);

    struct Step {
        const char* What;
        std::function<HRESULT()> Bind;
        CurFile Expected;
    };
    const Step steps[] = {
        {"never bound", [] { return S_OK; }, none},
        {"by path", [&] { return persist->Load(kf7.c_str(), STGM_READ); }, {S_OK, kf7}},
        {"by another path", [&] { return persist->Load(kf8.c_str(), STGM_READ); }, {S_OK, kf8}},
        {"Initialize", [&] { return initialize->Initialize(&stream, STGM_READ); }, none},
        {"by path again", [&] { return persist->Load(kf7.c_str(), 0); }, {S_OK, kf7}},
        {"IPersistStream::Load", [&] { return persistStream->Load(&stream); }, none},
    };
    for (const Step& step : steps) {
        ASSERT_EQ(step.Bind(), S_OK) << step.What;
        const CurFile current = GetCurFile(persist.Get());
        EXPECT_EQ(current.Result, step.Expected.Result) << step.What;
        EXPECT_EQ(current.Name, step.Expected.Name) << step.What;
    }
    EXPECT_EQ(persist->GetCurFile(nullptr), E_POINTER);
}

// A file that cannot be opened answers the open's code and leaves the previous binding: its
// chunks, from where the host stood, and its path.
TEST(PersistFile, AFailedOpenKeepsThePreviousBinding) {
    TemporaryDirectory folder;
    const std::u16string book = Utf16Path(TestBookPath("harbor-kf8.azw3"));
    const struct {
        const char* What;
        std::u16string Path;
        HRESULT Expected;
    } cases[] = {
        {"missing file", Utf16Path((folder.Path() / "missing.mobi").string()), FileNotFound},
        {"missing folder", Utf16Path((folder.Path() / "none" / "a.mobi").string()), PathNotFound},
        {"a folder", Utf16Path(folder.Path().string()), E_ACCESSDENIED},
        {"unpaired surrogate", Utf16Path(folder.Path().string()) + u"/\xD800.mobi", FileNotFound},
    };
    const size_t chunks = DrainBook(TestBook("harbor-kf8.azw3")).Chunks.size();
    for (const auto& c : cases) {
        ComPtr<IPersistFile> persist = NewPersistFile();
        ASSERT_EQ(persist->Load(book.c_str(), STGM_READ), S_OK);
        ComPtr<IFilter> filter = FilterOf(persist.Get());
        STAT_CHUNK stat;
        ASSERT_EQ(filter->Init(0, 0, nullptr, nullptr), S_OK);
        ASSERT_EQ(filter->GetChunk(&stat), S_OK);

        EXPECT_EQ(persist->Load(c.Path.c_str(), STGM_READ), c.Expected) << c.What;
        const CurFile current = GetCurFile(persist.Get());
        EXPECT_EQ(current.Result, S_OK) << c.What;
        EXPECT_EQ(current.Name, book) << c.What;
        // The title was handed out; the rest of the same book follows.
        size_t rest = 0;
        while (filter->GetChunk(&stat) == S_OK) {
            ++rest;
        }
        EXPECT_EQ(rest, chunks - 1) << c.What;
    }

    // On a fresh object nothing becomes bound.
    ComPtr<IPersistFile> fresh = NewPersistFile();
    const std::u16string missing = Utf16Path((folder.Path() / "missing.mobi").string());
    EXPECT_EQ(fresh->Load(missing.c_str(), STGM_READ), FileNotFound);
    EXPECT_EQ(GetCurFile(fresh.Get()).Result, S_FALSE);
    STAT_CHUNK stat;
    EXPECT_EQ(FilterOf(fresh.Get())->GetChunk(&stat), E_UNEXPECTED);
    EXPECT_EQ(fresh->Load(nullptr, STGM_READ), E_INVALIDARG);
    EXPECT_EQ(GetCurFile(fresh.Get()).Result, S_FALSE);
}

// A file that opens but is no book answers what binding its stream answers, and is the file
// bound, as its stream would be.
TEST(PersistFile, AFileThatIsNoBookIsBoundAndFails) {
    TemporaryDirectory folder;
    const std::string path = (folder.Path() / "text.mobi").string();
    std::ofstream(path) << "Only text named like a book.\n";
    const std::u16string widePath = Utf16Path(path);
    ComPtr<IPersistFile> persist = NewPersistFile();
    EXPECT_EQ(persist->Load(widePath.c_str(), STGM_READ), E_FAIL);
    const CurFile current = GetCurFile(persist.Get());
    EXPECT_EQ(current.Result, S_OK);
    EXPECT_EQ(current.Name, widePath);
}

TEST(PersistFile, NothingIsSavedAndEachFaceAnswersIsDirtyItsOwnWay) {
    ComPtr<IPersistFile> persist = NewPersistFile();
    ComPtr<IPersistStream> persistStream;
    ASSERT_EQ(persist->QueryInterface(IID_IPersistStream, persistStream.PutVoid()), S_OK);
    const std::u16string path = Utf16Path(TestBookPath("harbor-kf7.mobi"));
    for (bool loaded : {false, true}) {
        if (loaded) {
            ASSERT_EQ(persist->Load(path.c_str(), STGM_READ), S_OK);
        }
        EXPECT_EQ(persist->IsDirty(), S_FALSE) << loaded;
        EXPECT_EQ(persistStream->IsDirty(), E_NOTIMPL) << loaded;
        EXPECT_EQ(persist->Save(path.c_str(), TRUE), E_NOTIMPL) << loaded;
        EXPECT_EQ(persist->Save(nullptr, FALSE), E_NOTIMPL) << loaded;
        EXPECT_EQ(persist->SaveCompleted(path.c_str()), E_NOTIMPL) << loaded;
        CLSID clsid = IID_IFilter;
        EXPECT_EQ(persist->GetClassID(&clsid), E_NOTIMPL) << loaded;
        EXPECT_EQ(persistStream->GetClassID(&clsid), E_NOTIMPL) << loaded;
        EXPECT_TRUE(IsEqualCLSID(clsid, IID_IFilter));
    }
}

TEST(PersistFile, IsAFaceOfTheOneObjectAfterTheOthers) {
    ComPtr<IUnknown> identity;
    ASSERT_EQ(CreateInstance<CFilterSample>(IID_IUnknown, identity.PutVoid()), S_OK);
    ComPtr<IPersistStream> first;
    ASSERT_EQ(identity->QueryInterface(IID_IPersistStream, first.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(first.Get()), static_cast<void*>(identity.Get()));
    for (const IID* iid : {&IID_IFilter, &IID_IInitializeWithStream, &IID_IPersistStream}) {
        ComPtr<IUnknown> face;
        ASSERT_EQ(identity->QueryInterface(*iid, face.PutVoid()), S_OK);
        ComPtr<IPersistFile> persist;
        ASSERT_EQ(face->QueryInterface(IID_IPersistFile, persist.PutVoid()), S_OK);
        ComPtr<IUnknown> back;
        ASSERT_EQ(persist->QueryInterface(IID_IUnknown, back.PutVoid()), S_OK);
        EXPECT_EQ(back.Get(), identity.Get());
        ComPtr<IUnknown> again;
        ASSERT_EQ(persist->QueryInterface(*iid, again.PutVoid()), S_OK);
        EXPECT_EQ(again.Get(), face.Get());
    }
}

} // namespace
