// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/native/FileStream.h"

#include "platform/ComObject.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const HRESULT StgAccessDenied = _HRESULT_TYPEDEF_(0x80030005);
const HRESULT StgInvalidFunction = STG_E_INVALIDFUNCTION;
const DWORD StreamStorageType = 2; // STGTY_STREAM

HRESULT FromErrno(int error) {
    switch (error) {
    case ENOENT:
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return E_FAIL;
    }
}

// Why `path` did not open. Windows tells a missing file in an existing folder
// (ERROR_FILE_NOT_FOUND) from a path whose folder is missing or no folder
// (ERROR_PATH_NOT_FOUND); ENOENT is both.
HRESULT OpenFailure(const char* path, int error) {
    if (error == ENOTDIR) {
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
    const char* slash = std::strrchr(path, '/');
    if (error != ENOENT || slash == nullptr || slash == path) {
        return FromErrno(error);
    }
    const size_t length = static_cast<size_t>(slash - path);
    const UniqueAny<char*, CoTaskMemFree> folder(static_cast<char*>(CoTaskMemAlloc(length + 1)));
    if (!folder) {
        return FromErrno(error);
    }
    std::memcpy(folder.Get(), path, length);
    folder.Get()[length] = 0;
    struct stat info;
    const bool isFolder = ::stat(folder.Get(), &info) == 0 && S_ISDIR(info.st_mode);
    return isFolder ? FromErrno(error) : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// Stat's name belongs to the caller, from the task allocator.
WCHAR* CopyName(const char* name) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
    if (units <= 0) {
        return nullptr;
    }
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(static_cast<SIZE_T>(units) * sizeof(WCHAR)));
    if (copy != nullptr) {
        MultiByteToWideChar(CP_UTF8, 0, name, -1, copy, units);
    }
    return copy;
}

// The part of `path` after its last slash, in the task allocator.
char* CopyBaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash == nullptr ? path : slash + 1;
    const size_t size = std::strlen(name) + 1;
    auto* copy = static_cast<char*>(CoTaskMemAlloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, name, size);
    }
    return copy;
}

} // namespace

HRESULT FileStream::Open(const char* path, IStream** stream) {
    *stream = nullptr;
    // O_NONBLOCK keeps a FIFO given by mistake from blocking the open; it is refused below.
    Descriptor descriptor(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!descriptor) {
        return OpenFailure(path, errno);
    }
    struct stat info;
    if (::fstat(descriptor.Get(), &info) != 0) {
        return FromErrno(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        // What Windows answers when a folder or a device is opened as a file.
        return E_ACCESSDENIED;
    }
    Utf8Name name(CopyBaseName(path));
    if (!name) {
        return E_OUTOFMEMORY;
    }
    // As shlwapi's streams, it does not keep the filter module loaded: a host's stream is
    // the host's, and the filter's own stream lives no longer than the filter.
    auto* created =
        new (std::nothrow) HostObject<FileStream>(std::move(descriptor), std::move(name));
    if (created == nullptr) {
        return E_OUTOFMEMORY;
    }
    *stream = created;
    return S_OK;
}

FileStream::FileStream(Descriptor&& file, Utf8Name&& name)
    : File(std::move(file)), Name(std::move(name)) {}

FileStream::~FileStream() = default;

HRESULT FileStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (pcbRead != nullptr) {
        *pcbRead = 0;
    }
    if (pv == nullptr && cb != 0) {
        return STG_E_INVALIDFUNCTION;
    }
    ULONG done = 0;
    while (done < cb) {
        if (Position > static_cast<ULONGLONG>(LLONG_MAX)) {
            break;
        }
        const ssize_t got = ::pread(File.Get(), static_cast<char*>(pv) + done, cb - done,
                                    static_cast<off_t>(Position));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            if (pcbRead != nullptr) {
                *pcbRead = done;
            }
            return done == 0 ? FromErrno(errno) : S_FALSE;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<ULONG>(got);
        Position += static_cast<ULONGLONG>(got);
    }
    if (pcbRead != nullptr) {
        *pcbRead = done;
    }
    return done == cb ? S_OK : S_FALSE;
}

HRESULT FileStream::Write(const void*, ULONG, ULONG* pcbWritten) {
    if (pcbWritten != nullptr) {
        *pcbWritten = 0;
    }
    return StgAccessDenied;
}

HRESULT FileStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) {
    LONGLONG base = 0;
    switch (dwOrigin) {
    case STREAM_SEEK_SET:
        base = 0;
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<LONGLONG>(Position);
        break;
    case STREAM_SEEK_END: {
        struct stat info;
        if (::fstat(File.Get(), &info) != 0) {
            return FromErrno(errno);
        }
        base = static_cast<LONGLONG>(info.st_size);
        break;
    }
    default:
        return StgInvalidFunction;
    }
    const LONGLONG move = dlibMove.QuadPart;
    // A position before the start, or one that does not fit, is refused and changes nothing.
    if ((move < 0 && base < LLONG_MIN - move) || (move > 0 && base > LLONG_MAX - move) ||
        base + move < 0) {
        return StgInvalidFunction;
    }
    Position = static_cast<ULONGLONG>(base + move);
    if (plibNewPosition != nullptr) {
        plibNewPosition->QuadPart = Position;
    }
    return S_OK;
}

HRESULT FileStream::SetSize(ULARGE_INTEGER) {
    return StgAccessDenied;
}

HRESULT FileStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER* pcbRead,
                           ULARGE_INTEGER* pcbWritten) {
    if (pcbRead != nullptr) {
        pcbRead->QuadPart = 0;
    }
    if (pcbWritten != nullptr) {
        pcbWritten->QuadPart = 0;
    }
    return E_NOTIMPL;
}

HRESULT FileStream::Commit(DWORD) {
    return StgAccessDenied;
}

HRESULT FileStream::Revert() {
    return S_OK;
}

HRESULT FileStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return StgInvalidFunction;
}

HRESULT FileStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return StgInvalidFunction;
}

HRESULT FileStream::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
    if (pstatstg == nullptr) {
        return E_POINTER;
    }
    std::memset(pstatstg, 0, sizeof(*pstatstg));
    struct stat info;
    if (::fstat(File.Get(), &info) != 0) {
        return FromErrno(errno);
    }
    pstatstg->type = StreamStorageType;
    pstatstg->cbSize.QuadPart = static_cast<ULONGLONG>(info.st_size);
    pstatstg->grfMode = STGM_READ | STGM_SHARE_DENY_NONE;
    if ((grfStatFlag & STATFLAG_NONAME) == 0) {
        pstatstg->pwcsName = CopyName(Name.Get());
        if (pstatstg->pwcsName == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

HRESULT FileStream::Clone(IStream** ppstm) {
    if (ppstm != nullptr) {
        *ppstm = nullptr;
    }
    return E_NOTIMPL;
}
