// SPDX-License-Identifier: LGPL-3.0-or-later
// A read-only IStream over a file: what the native SHCreateStreamOnFileEx hands out, and what
// the native host binds a book to. Read, Seek and Stat work; every way of writing is refused
// with STG_E_ACCESSDENIED.
#pragma once

#include "platform/ComObject.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

#include <unistd.h>

class FileStream : public IStream {
public:
    // `path` is a file system path as the C library takes it (UTF-8). On success *stream
    // holds the only reference. A file that cannot be opened gives the Win32-style code of
    // the failure (0x80070002 for a missing file, 0x80070003 when its folder is missing,
    // 0x80070005 when access is denied or the path names a folder).
    static HRESULT Open(const char* path, IStream** stream);

    template <typename Self> static const QITAB* Interfaces() { return StreamInterfaces<Self>(); }

    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                   ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                     ULARGE_INTEGER* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb,
                                         DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb,
                                           DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

protected:
    using Descriptor = UniqueAny<int, ::close, -1>;
    using Utf8Name = UniqueAny<char*, CoTaskMemFree>;

    FileStream(Descriptor&& file, Utf8Name&& name);
    virtual ~FileStream();

private:
    Descriptor File;
    // The file's name without its folder, for Stat.
    Utf8Name Name;
    ULONGLONG Position = 0;
};
