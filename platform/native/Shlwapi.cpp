// SPDX-License-Identifier: LGPL-3.0-or-later
// shlwapi as the filter uses it: QISearch and SHCreateStreamOnFileEx.
#include "platform/Platform.h"

#include "platform/UniqueAny.h"
#include "platform/native/FileStream.h"
#include "platform/text/Utf16Length.h"

namespace {

// The UTF-8 form of a zero-terminated UTF-16 path, in the task allocator; null when the path
// holds an unpaired surrogate or memory runs out (`*unpaired` says which).
char* Utf8Path(const WCHAR* path, bool* unpaired) {
    *unpaired = false;
    const size_t length = Utf16Length(path);
    // At most 3 bytes per unit: a pair of units is 4 bytes.
    auto* out = static_cast<char*>(CoTaskMemAlloc(length * 3 + 1));
    if (out == nullptr) {
        return nullptr;
    }
    size_t used = 0;
    for (size_t i = 0; i < length; ++i) {
        uint32_t code = path[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length && path[i + 1] >= 0xDC00 &&
            path[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (path[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            CoTaskMemFree(out);
            *unpaired = true;
            return nullptr;
        }
        if (code < 0x80) {
            out[used++] = static_cast<char>(code);
        } else if (code < 0x800) {
            out[used++] = static_cast<char>(0xC0 | (code >> 6));
            out[used++] = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out[used++] = static_cast<char>(0xE0 | (code >> 12));
            out[used++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out[used++] = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out[used++] = static_cast<char>(0xF0 | (code >> 18));
            out[used++] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out[used++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out[used++] = static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    out[used] = 0;
    return out;
}

} // namespace

extern "C" HRESULT QISearch(void* that, LPCQITAB pqit, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    for (LPCQITAB row = pqit; row->piid != nullptr; ++row) {
        if (IsEqualIID(riid, *row->piid) || (row == pqit && IsEqualIID(riid, IID_IUnknown))) {
            auto* face = reinterpret_cast<IUnknown*>(static_cast<char*>(that) + row->dwOffset);
            face->AddRef();
            *ppv = face;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

extern "C" HRESULT SHCreateStreamOnFileEx(LPCWSTR pszFile, DWORD grfMode, DWORD, BOOL fCreate,
                                          IStream* pstmTemplate, IStream** ppstm) {
    if (ppstm == nullptr || pstmTemplate != nullptr) {
        return E_INVALIDARG;
    }
    *ppstm = nullptr;
    if (pszFile == nullptr) {
        return E_INVALIDARG;
    }
    if ((grfMode & (STGM_WRITE | STGM_READWRITE)) != 0 || fCreate) {
        return E_NOTIMPL;
    }
    bool unpaired = false;
    const UniqueAny<char*, CoTaskMemFree> path(Utf8Path(pszFile, &unpaired));
    if (!path) {
        return unpaired ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : E_OUTOFMEMORY;
    }
    return FileStream::Open(path.Get(), ppstm);
}
