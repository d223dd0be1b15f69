// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/Platform.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "platform/text/Utf16Length.h"
#include "tests/support/References.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(PropVariant, CopyOfAStringIsDeep) {
    WCHAR text[] = u"title";
    PROPVARIANT source;
    PropVariantInit(&source);
    source.vt = VT_LPWSTR;
    source.pwszVal = text;

    PROPVARIANT copy;
    ASSERT_EQ(PropVariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_LPWSTR);
    EXPECT_NE(copy.pwszVal, text);
    EXPECT_EQ(std::u16string(copy.pwszVal), u"title");
    EXPECT_EQ(PropVariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_EQ(copy.pwszVal, nullptr);
}

TEST(PropVariant, EmptyCopiesAndClearsAsEmpty) {
    PROPVARIANT source;
    PropVariantInit(&source);
    PROPVARIANT copy;
    std::memset(&copy, 0xAB, sizeof(copy));
    ASSERT_EQ(PropVariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_EQ(PropVariantClear(&copy), S_OK);
    EXPECT_EQ(PropVariantClear(&copy), S_OK);
}

TEST(PropVariant, OtherTypesAreRefusedNotCopiedShallowly) {
    BYTE data[4] = {1, 2, 3, 4};
    PROPVARIANT source;
    PropVariantInit(&source);
    source.vt = VT_BLOB;
    source.blob.cbSize = 4;
    source.blob.pBlobData = data;
    PROPVARIANT copy;
    PropVariantInit(&copy);
    EXPECT_TRUE(FAILED(PropVariantCopy(&copy, &source)));
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_TRUE(FAILED(PropVariantClear(&source)));
}

// Each string and the array are copies of their own: the source can go first (sanitizers and
// the clears below catch a shallow copy or a leak).
TEST(PropVariant, CopyOfAStringVectorIsDeep) {
    const std::vector<std::u16string> entries = {u"Ana Brel", u"", u"Piet \u00e9 Vos"};
    PROPVARIANT source;
    PropVariantInit(&source);
    source.vt = VT_VECTOR | VT_LPWSTR;
    source.calpwstr.cElems = static_cast<ULONG>(entries.size());
    source.calpwstr.pElems = static_cast<LPWSTR*>(CoTaskMemAlloc(entries.size() * sizeof(LPWSTR)));
    for (size_t i = 0; i < entries.size(); ++i) {
        PROPVARIANT one;
        PropVariantInit(&one);
        one.vt = VT_LPWSTR;
        one.pwszVal = const_cast<LPWSTR>(entries[i].c_str());
        PROPVARIANT copied;
        ASSERT_EQ(PropVariantCopy(&copied, &one), S_OK);
        source.calpwstr.pElems[i] = copied.pwszVal;
    }
    PROPVARIANT copy;
    ASSERT_EQ(PropVariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(PropVariantClear(&source), S_OK);
    EXPECT_EQ(source.vt, VT_EMPTY);
    ASSERT_EQ(copy.vt, VT_VECTOR | VT_LPWSTR);
    ASSERT_EQ(copy.calpwstr.cElems, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(std::u16string(copy.calpwstr.pElems[i]), entries[i]);
    }
    EXPECT_EQ(PropVariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_EQ(copy.calpwstr.pElems, nullptr);
}

TEST(PropVariant, EmptyStringVectorAndNumbersCopy) {
    PROPVARIANT source;
    PropVariantInit(&source);
    source.vt = VT_VECTOR | VT_LPWSTR;
    PROPVARIANT copy;
    ASSERT_EQ(PropVariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_VECTOR | VT_LPWSTR);
    EXPECT_EQ(copy.calpwstr.cElems, 0u);
    EXPECT_EQ(PropVariantClear(&copy), S_OK);

    source.vt = VT_UI4;
    source.ulVal = 2024;
    ASSERT_EQ(PropVariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_UI4);
    EXPECT_EQ(copy.ulVal, 2024u);
    EXPECT_EQ(PropVariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
}

// The SDK's layout, which a host compiled against it reads.
TEST(PropVariant, StringVectorSitsWhereTheSdkPutsIt) {
    EXPECT_EQ(sizeof(PROPVARIANT), 24u);
    EXPECT_EQ(offsetof(PROPVARIANT, calpwstr.cElems), 8u);
    EXPECT_EQ(offsetof(PROPVARIANT, calpwstr.pElems), 16u);
}

struct ClsidCase {
    const char16_t* text;
    HRESULT expected;
};

TEST(ClsidFromString, AcceptsOnlyTheBracedForm) {
    const ClsidCase cases[] = {
        {u"{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}", S_OK},
        {u"{5e1a9c42-7b3d-4c2f-9a61-3d8e2b7f1c05}", S_OK},
        {u"5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05", CO_E_CLASSSTRING},
        {u"{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05", CO_E_CLASSSTRING},
        {u"{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}x", CO_E_CLASSSTRING},
        {u"{5E1A9C42-7B3D-4C2F-9A61_3D8E2B7F1C05}", CO_E_CLASSSTRING},
        {u"{5E1A9C4G-7B3D-4C2F-9A61-3D8E2B7F1C05}", CO_E_CLASSSTRING},
        {u"", CO_E_CLASSSTRING},
    };
    for (const ClsidCase& c : cases) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromString(c.text, &clsid), c.expected);
    }
}

TEST(ClsidFromString, ParsesEveryField) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(u"{89BCB740-6119-101A-BCB7-00DD010655AF}", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, IID_IFilter));
}

// Two faces on one object, each counting into the same number.
class TwoFaced : public IPersistStream, public IFilter {
public:
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, IFilter), {nullptr, 0}};
        return table;
    }
    virtual ~TwoFaced() = default;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetChunk(STAT_CHUNK*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetText(ULONG*, WCHAR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(PROPVARIANT**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override {
        return E_NOTIMPL;
    }
};

TEST(QISearch, FindsFacesAndAnswersIUnknownWithTheFirstRow) {
    static const QITAB table[] = {
        QITABENT(TwoFaced, IFilter), QITABENT(TwoFaced, IPersistStream), {nullptr, 0}};
    HostObject<TwoFaced> object;
    void* out = nullptr;
    EXPECT_EQ(QISearch(&object, table, IID_IPersistStream, &out), S_OK);
    EXPECT_EQ(out, static_cast<IPersistStream*>(&object));
    EXPECT_EQ(QISearch(&object, table, IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IFilter*>(&object));
    EXPECT_EQ(ReferencesOf(object), 3);

    out = &object;
    EXPECT_EQ(QISearch(&object, table, IID_IStream, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(QISearch(&object, table, IID_IFilter, nullptr), E_POINTER);
    EXPECT_EQ(ReferencesOf(object), 3);
}

std::vector<int> ClosedDescriptors;
void CloseDescriptor(int descriptor) {
    ClosedDescriptors.push_back(descriptor);
}
using Descriptor = UniqueAny<int, CloseDescriptor, -1>;

// A holder whose invalid value is not zero: 0 is held and closed, -1 never is.
// The path arrives in UTF-16 and names the file Linux holds under its UTF-8 bytes: a letter
// of two bytes, one of three and a surrogate pair of four.
TEST(ShCreateStreamOnFileEx, OpensTheFileItsUtf16PathNamesForReading) {
    TemporaryDirectory folder;
    std::ofstream(folder.Path() / "\xC3\xA9t\xE2\x82\xAC\xF0\x9F\x93\x96.mobi") << "book";
    const std::string root = folder.Path().string();
    std::u16string path(root.begin(), root.end());
    path += u"/\u00E9t\u20AC\U0001F4D6.mobi";
    ComPtr<IStream> stream;
    ASSERT_EQ(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE,
                                     FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()),
              S_OK);
    char bytes[8] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(bytes, sizeof(bytes), &read), S_FALSE);
    EXPECT_EQ(std::string(bytes, read), "book");
    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    const CoTaskMemPtr<WCHAR> name(stat.pwcsName);
    EXPECT_EQ(std::u16string(name.Get()), u"\u00E9t\u20AC\U0001F4D6.mobi");
    EXPECT_EQ(stream->Write("x", 1, nullptr), _HRESULT_TYPEDEF_(0x80030005));
}

TEST(ShCreateStreamOnFileEx, RefusesWhatItCannotDoAndHandsOutNothing) {
    TemporaryDirectory folder;
    std::ofstream(folder.Path() / "a.mobi") << "book";
    const std::string root = folder.Path().string();
    const std::u16string book = std::u16string(root.begin(), root.end()) + u"/a.mobi";
    IStream* const Garbage = reinterpret_cast<IStream*>(0x1);
    ComPtr<IStream> other;
    ASSERT_EQ(SHCreateStreamOnFileEx(book.c_str(), STGM_READ, 0, FALSE, nullptr, other.Put()),
              S_OK);
    const struct {
        const char* What;
        const WCHAR* Path;
        DWORD Mode;
        BOOL Create;
        IStream* Template;
        HRESULT Expected;
    } cases[] = {
        {"null path", nullptr, STGM_READ, FALSE, nullptr, E_INVALIDARG},
        {"a template", book.c_str(), STGM_READ, FALSE, other.Get(), E_INVALIDARG},
        {"writing", book.c_str(), STGM_WRITE, FALSE, nullptr, E_NOTIMPL},
        {"reading and writing", book.c_str(), STGM_READWRITE, FALSE, nullptr, E_NOTIMPL},
        {"creating", book.c_str(), STGM_READ, TRUE, nullptr, E_NOTIMPL},
    };
    for (const auto& c : cases) {
        IStream* stream = Garbage;
        EXPECT_EQ(SHCreateStreamOnFileEx(c.Path, c.Mode, 0, c.Create, c.Template, &stream),
                  c.Expected)
            << c.What;
        EXPECT_EQ(stream, c.Template == nullptr ? nullptr : Garbage) << c.What;
    }
    EXPECT_EQ(SHCreateStreamOnFileEx(book.c_str(), STGM_READ, 0, FALSE, nullptr, nullptr),
              E_INVALIDARG);
}

TEST(UniqueAny, AnInvalidValueOtherThanZeroHoldsNothing) {
    ClosedDescriptors.clear();
    {
        Descriptor none;
        EXPECT_FALSE(none);
        EXPECT_EQ(none.Get(), -1);
        Descriptor zero(0);
        EXPECT_TRUE(zero);
        Descriptor moved(std::move(zero));
        EXPECT_EQ(zero.Get(), -1);
        EXPECT_EQ(moved.Get(), 0);
        Descriptor kept(7);
        EXPECT_EQ(kept.Detach(), 7);
        EXPECT_FALSE(kept);
        Descriptor replaced(3);
        replaced.Reset(4);
        EXPECT_EQ(ClosedDescriptors, std::vector<int>{3});
    }
    EXPECT_EQ(ClosedDescriptors, (std::vector<int>{3, 4, 0}));
}

TEST(Interlocked, CountsAtomicallyAcrossThreads) {
    LONG volatile count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&count] {
            for (int i = 0; i < 100000; ++i) {
                InterlockedIncrement(&count);
                InterlockedIncrement(&count);
                InterlockedDecrement(&count);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(count, 400000);
    EXPECT_EQ(InterlockedIncrement(&count), 400001);
    EXPECT_EQ(InterlockedDecrement(&count), 400000);
}

TEST(LastError, IsKeptPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD other = 1;
    std::thread([&other] { other = GetLastError(); }).join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

} // namespace

namespace {

// Word-at-a-time scanning against the plain definition, at every alignment, for strings
// whose terminator falls in every lane of a word, and with limits before, at and after it.
TEST(Utf16Length, MatchesAPlainScanAtEveryAlignmentAndLimit) {
    alignas(8) WCHAR buffer[64];
    for (size_t start = 0; start < 4; ++start) {
        for (size_t length = 0; length < 40; ++length) {
            for (size_t i = 0; i < 64; ++i) {
                buffer[i] = static_cast<WCHAR>(i % 3 == 0 ? 0xFF00 : 0x0100 + i);
            }
            WCHAR* text = buffer + start;
            text[length] = 0;
            EXPECT_EQ(Utf16Length(text), length);
            for (size_t limit = 0; limit < 44; ++limit) {
                EXPECT_EQ(Utf16LengthBounded(text, limit), std::min(length, limit))
                    << "start " << start << " length " << length << " limit " << limit;
            }
        }
    }
}

// Every string in a heap block of exactly its size, so that a sanitizer build sees any read
// past the block. Bounded scans are given exactly the units that are there.
TEST(Utf16Length, ReadsNothingPastTheString) {
    for (size_t length = 0; length < 40; ++length) {
        std::unique_ptr<WCHAR[]> terminated(new WCHAR[length + 1]);
        std::unique_ptr<WCHAR[]> unterminated(new WCHAR[length + 1]);
        for (size_t i = 0; i <= length; ++i) {
            terminated[i] = unterminated[i] = static_cast<WCHAR>(0x4100 + i);
        }
        terminated[length] = 0;
        EXPECT_EQ(Utf16Length(terminated.get()), length);
        for (size_t start = 0; start <= length && start < 4; ++start) {
            EXPECT_EQ(Utf16LengthBounded(unterminated.get() + start, length + 1 - start),
                      length + 1 - start);
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
// The scan is not hidden from the address sanitizer: a string without its terminator is
// reported, not read past silently.
TEST(Utf16LengthDeathTest, AnOverReadIsReportedByTheSanitizer) {
    std::unique_ptr<WCHAR[]> unterminated(new WCHAR[6]);
    for (size_t i = 0; i < 6; ++i) {
        unterminated[i] = u'x';
    }
    EXPECT_DEATH(Utf16Length(unterminated.get()), "heap-buffer-overflow");
    EXPECT_DEATH(Utf16LengthBounded(unterminated.get(), 16), "heap-buffer-overflow");
}
#endif

} // namespace
