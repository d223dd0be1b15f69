// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/FileStream.h"

#include "platform/ComObject.h"

#include <cerrno>
#include <climits>
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
    case ENOTDIR:
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

// Stat's name belongs to the caller, from the task allocator.
WCHAR* CopyName(const std::string& name) {
    const int size = static_cast<int>(name.size()) + 1;
    const int units = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), size, nullptr, 0);
    if (units <= 0) {
        return nullptr;
    }
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(static_cast<SIZE_T>(units) * sizeof(WCHAR)));
    if (copy != nullptr) {
        MultiByteToWideChar(CP_UTF8, 0, name.c_str(), size, copy, units);
    }
    return copy;
}

} // namespace

HRESULT FileStream::Open(const std::string& path, IStream** stream) {
    *stream = nullptr;
    // O_NONBLOCK keeps a FIFO given by mistake from blocking the open; it is refused below.
    FileDescriptor descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!descriptor) {
        return FromErrno(errno);
    }
    struct stat info;
    if (::fstat(descriptor.Get(), &info) != 0) {
        return FromErrno(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        // What Windows answers when a folder or a device is opened as a file.
        return E_ACCESSDENIED;
    }
    const size_t slash = path.find_last_of('/');
    // The stream is the host's: it does not keep the filter library loaded.
    auto* created = new (std::nothrow) HostObject<FileStream>(
        std::move(descriptor), slash == std::string::npos ? path : path.substr(slash + 1));
    if (created == nullptr) {
        return E_OUTOFMEMORY;
    }
    *stream = created;
    return S_OK;
}

FileStream::FileStream(FileDescriptor&& descriptor, std::string name)
    : Descriptor(std::move(descriptor)), Name(std::move(name)) {}

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
        const ssize_t got = ::pread(Descriptor.Get(), static_cast<char*>(pv) + done, cb - done,
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
        if (::fstat(Descriptor.Get(), &info) != 0) {
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
    if (::fstat(Descriptor.Get(), &info) != 0) {
        return FromErrno(errno);
    }
    pstatstg->type = StreamStorageType;
    pstatstg->cbSize.QuadPart = static_cast<ULONGLONG>(info.st_size);
    pstatstg->grfMode = STGM_READ | STGM_SHARE_DENY_NONE;
    if ((grfStatFlag & STATFLAG_NONAME) == 0) {
        pstatstg->pwcsName = CopyName(Name);
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
