// SPDX-License-Identifier: LGPL-3.0-or-later
// A host running short of memory: each allocation of a book's reading fails in turn, libmobi's,
// the module's and the task allocator's alike, for every reader of a book (the filter, every
// chunk drained; the property handler; the thumbnail provider's cover; the preview's page).
// What a reader hands out is then exactly what it hands out with memory enough, or a call
// answers E_OUTOFMEMORY: never a success with other content, never a book called damaged, and
// never a crash or a leak (the sanitizer build runs it too).
#include "book/IBookCondition.h"
#include "book/IBookCover.h"
#include "book/preview/PreviewContent.h"
#include "module/ClassIds.h"
#include "module/DllExports.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "tests/support/BookBinding.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/HuffCdicBook.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A host's stream: what it allocates is the host's, never counted or failed.
class HostStreamBase : public RecordingStreamBase {
public:
    using RecordingStreamBase::RecordingStreamBase;
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        UncountedAllocations host;
        return RecordingStreamBase::Read(pv, cb, pcbRead);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        UncountedAllocations host;
        return RecordingStreamBase::Seek(move, origin, position);
    }
};
using HostStream = HostObject<HostStreamBase>;

// What a reader handed out, each call's answer among it; whether a call ran out of memory.
class Outcome {
public:
    bool OutOfMemory = false;
    // Whether the call that ran out was the reader's binding or its reading of the book, after
    // which the book's condition is to say so.
    bool ReadingRanOut = false;
    std::u16string Output;

    // Notes `call`'s answer; false when it ran out of memory, which ends the reading.
    bool Answered(const char* call, HRESULT answer) {
        UncountedAllocations test;
        char line[64];
        std::snprintf(line, sizeof(line), "\n%s 0x%08lX ", call,
                      static_cast<unsigned long>(answer));
        Output.append(line, line + std::strlen(line));
        OutOfMemory = answer == E_OUTOFMEMORY;
        return !OutOfMemory;
    }
    void Add(const WCHAR* text, size_t length) {
        UncountedAllocations test;
        Output.append(reinterpret_cast<const char16_t*>(text), length);
    }
    void Add(const WCHAR* text) {
        Add(text, text != nullptr
                      ? std::char_traits<char16_t>::length(reinterpret_cast<const char16_t*>(text))
                      : 0);
    }
    void AddNumber(unsigned long number) {
        UncountedAllocations test;
        const std::string digits = std::to_string(number) + " ";
        Output.append(digits.begin(), digits.end());
    }
};

// Makes an object of `classId` through the module's exports; null when that failed.
ComPtr<IUnknown> MakeObject(const WCHAR* classId, Outcome& outcome) {
    CLSID clsid;
    CLSIDFromString(classId, &clsid);
    ComPtr<IClassFactory> factory;
    ComPtr<IUnknown> object;
    if (outcome.Answered("DllGetClassObject",
                         DllGetClassObject(clsid, IID_IClassFactory, factory.PutVoid()))) {
        outcome.Answered("CreateInstance",
                         factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid()));
    }
    return object;
}

// What the object's condition says once the reading has ended: after a binding or a reading
// that ran out of memory, exactly that.
void AddConditionWords(IUnknown* object, Outcome& outcome) {
    if (outcome.OutOfMemory && !outcome.ReadingRanOut) {
        return;
    }
    ComPtr<IBookCondition> condition;
    object->QueryInterface(IID_IBookCondition, condition.PutVoid());
    CoTaskMemPtr<WCHAR> words;
    const HRESULT said = condition->GetConditionWords(words.Put());
    if (outcome.ReadingRanOut) {
        UncountedAllocations test;
        ASSERT_EQ(said, S_OK);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(words.Get())), u"out of memory");
        return;
    }
    if (outcome.Answered("GetConditionWords", said)) {
        outcome.Add(words.Get());
    }
}

// The filter drained as an indexer drains it, every chunk, text in portions of 255 units.
void ReadChunks(IUnknown* object, Outcome& outcome) {
    ComPtr<IFilter> filter;
    object->QueryInterface(IID_IFilter, filter.PutVoid());
    ULONG flags = 0;
    filter->Init(0, 0, nullptr, &flags);
    for (;;) {
        STAT_CHUNK stat;
        const HRESULT got = filter->GetChunk(&stat);
        outcome.ReadingRanOut = !outcome.Answered("GetChunk", got);
        if (got != S_OK) {
            return;
        }
        const unsigned long fields[] = {static_cast<unsigned long>(stat.flags),
                                        stat.attribute.psProperty.propid,
                                        static_cast<unsigned long>(stat.breakType), stat.locale};
        for (const unsigned long field : fields) {
            outcome.AddNumber(field);
        }
        if (stat.flags == CHUNK_VALUE) {
            PropVariantBlock value;
            if (!outcome.Answered("GetValue", filter->GetValue(value.Put()))) {
                return;
            }
            outcome.Add(value->pwszVal);
            continue;
        }
        for (HRESULT text = S_OK; text == S_OK;) {
            WCHAR buffer[256];
            ULONG count = 256;
            text = filter->GetText(&count, buffer);
            outcome.ReadingRanOut = !outcome.Answered("GetText", text);
            if (outcome.ReadingRanOut) {
                return;
            }
            if (SUCCEEDED(text)) {
                outcome.Add(buffer, count);
            }
        }
    }
}

// Every property of the store, in its order.
void ReadProperties(IUnknown* object, Outcome& outcome) {
    ComPtr<IPropertyStore> store;
    object->QueryInterface(IID_IPropertyStore, store.PutVoid());
    DWORD count = 0;
    store->GetCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        PROPERTYKEY key;
        store->GetAt(i, &key);
        outcome.AddNumber(key.pid);
        PropVariant value;
        if (!outcome.Answered("GetValue", store->GetValue(key, value.Put()))) {
            return;
        }
        outcome.AddNumber(value->vt);
        if (value->vt == VT_LPWSTR) {
            outcome.Add(value->pwszVal);
        } else if (value->vt == (VT_VECTOR | VT_LPWSTR)) {
            for (ULONG entry = 0; entry < value->calpwstr.cElems; ++entry) {
                outcome.Add(value->calpwstr.pElems[entry]);
            }
        } else if (value->vt == VT_UI4) {
            outcome.AddNumber(value->ulVal);
        }
    }
}

// The cover's bytes, as the thumbnail provider keeps them to decode.
void ReadCover(IUnknown* object, Outcome& outcome) {
    ComPtr<IBookCover> cover;
    object->QueryInterface(IID_IBookCover, cover.PutVoid());
    CoTaskMemPtr<BYTE> bytes;
    ULONG size = 0;
    if (!outcome.Answered("GetCoverBytes", cover->GetCoverBytes(bytes.Put(), &size))) {
        return;
    }
    // Its size and an FNV-1a digest of its bytes.
    uint32_t digest = 2166136261u;
    for (ULONG i = 0; i < size; ++i) {
        digest = (digest ^ bytes.Get()[i]) * 16777619u;
    }
    outcome.AddNumber(size);
    outcome.AddNumber(digest);
}

struct ReaderRow {
    const char* Name;
    const WCHAR* ClassId;
    void (*Read)(IUnknown* object, Outcome& outcome);
};

const ReaderRow Readers[] = {
    {"Filter", CLSID_BookFilter, ReadChunks},
    {"PropertyStore", CLSID_BookPropertyHandler, ReadProperties},
    {"ThumbnailProvider", CLSID_BookThumbnailProvider, ReadCover},
    // The page the preview handler's window draws, made without the window.
    {"PreviewPage", nullptr, nullptr},
};

void ReadBook(IStream& stream, const ReaderRow& reader, Outcome& outcome) {
    if (reader.ClassId == nullptr) {
        PreviewContent content;
        if (!outcome.Answered("PreviewContent::Read", content.Read(&stream))) {
            return;
        }
        const PreviewPage& page = content.Page();
        outcome.AddNumber(page.CoverSize);
        for (size_t i = 0; i < page.LineCount; ++i) {
            outcome.AddNumber(static_cast<unsigned long>(page.Lines[i].Style));
            outcome.Add(page.Lines[i].Text, page.Lines[i].Length);
        }
        return;
    }
    const ComPtr<IUnknown> object = MakeObject(reader.ClassId, outcome);
    if (!object) {
        return;
    }
    ComPtr<IInitializeWithStream> initialize;
    object->QueryInterface(IID_IInitializeWithStream, initialize.PutVoid());
    outcome.ReadingRanOut =
        !outcome.Answered("Initialize", initialize->Initialize(&stream, STGM_READ));
    if (!outcome.OutOfMemory) {
        reader.Read(object.Get(), outcome);
    }
    AddConditionWords(object.Get(), outcome);
}

struct BookRow {
    const char* Name;
    std::vector<unsigned char> (*Bytes)();
};

const BookRow Books[] = {
    {"Hybrid", [] { return TestBook("harbor-hybrid.mobi"); }},
    {"HuffCdic", [] { return RecompressAsHuffCdic(TestBook("harbor-kf7.mobi")); }},
    {"Kf8WithCover", [] { return TestBook("covers/lantern-kf8.azw3"); }},
};

struct SweepCase {
    std::string Name;
    const BookRow* Book;
    const ReaderRow* Reader;
};

std::vector<SweepCase> SweepCases() {
    std::vector<SweepCase> cases;
    for (const BookRow& book : Books) {
        for (const ReaderRow& reader : Readers) {
            cases.push_back({std::string(book.Name) + "_" + reader.Name, &book, &reader});
        }
    }
    return cases;
}

void PrintTo(const SweepCase& row, std::ostream* os) {
    *os << row.Name;
}

// One reading of `bytes`, its `nth` allocation failing (none for 0); `allocations` says how
// many it made.
Outcome ReadOnce(const std::vector<unsigned char>& bytes, const ReaderRow& reader,
                 unsigned long nth, unsigned long* allocations = nullptr) {
    Outcome outcome;
    HostStream stream(bytes);
    FailNthAllocation(nth);
    ReadBook(stream, reader, outcome);
    if (allocations != nullptr) {
        *allocations = AllocationsCounted();
    }
    StopFailingAllocations();
    EXPECT_EQ(ReferencesOf(stream), 1) << "the stream is still held";
    EXPECT_EQ(DllCanUnloadNow(), S_OK) << "an object of the module is still alive";
    return outcome;
}

class AllocationFailure : public ::testing::TestWithParam<SweepCase> {};

TEST_P(AllocationFailure, GivesTheWholeOutputOrOutOfMemory) {
    const std::vector<unsigned char> bytes = GetParam().Book->Bytes();
    ASSERT_FALSE(bytes.empty());
    const ReaderRow& reader = *GetParam().Reader;
    unsigned long allocations = 0;
    const Outcome clean = ReadOnce(bytes, reader, 0, &allocations);
    ASSERT_FALSE(clean.OutOfMemory);
    ASSERT_GT(allocations, 0u);
    unsigned long ranOut = 0;
    for (unsigned long nth = 1; nth <= allocations; ++nth) {
        const Outcome run = ReadOnce(bytes, reader, nth);
        if (run.OutOfMemory) {
            ++ranOut;
            continue;
        }
        ASSERT_EQ(run.Output, clean.Output) << "allocation " << nth << " of " << allocations
                                            << " failed and the reader did not say so";
    }
    EXPECT_GT(ranOut, 0u);
}

INSTANTIATE_TEST_SUITE_P(Books, AllocationFailure, ::testing::ValuesIn(SweepCases()),
                         NamedBy<&SweepCase::Name>());

// The Huffman/CDIC copy is another book only in how its text is stored.
TEST(HuffCdicBook, GivesTheChunksOfTheBookItWasMadeFrom) {
    const std::vector<unsigned char> original = TestBook("harbor-kf7.mobi");
    const std::vector<unsigned char> copy = RecompressAsHuffCdic(original);
    ASSERT_FALSE(copy.empty());
    const PalmBook book(copy);
    const uint32_t record0 = book.RecordOffset(0);
    EXPECT_EQ((copy[record0] << 8) | copy[record0 + 1], MOBI_COMPRESSION_HUFFCDIC);
    const DrainResult expected = DrainBook(original);
    const DrainResult got = DrainBook(copy);
    ASSERT_EQ(got.Chunks.size(), expected.Chunks.size());
    for (size_t i = 0; i < got.Chunks.size(); ++i) {
        EXPECT_EQ(got.Chunks[i].Content, expected.Chunks[i].Content) << "chunk " << i + 1;
    }
}

} // namespace
