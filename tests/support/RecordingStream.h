// An IStream over bytes in memory that counts its references and records every call, for
// checking what a filter does with the stream it is given.
#pragma once

#include "platform/Platform.h"

#include <ostream>
#include <string>
#include <vector>

class RecordingStream : public IStream {
public:
    struct Call {
        std::string Method; // "Read", "Seek", "Stat", "Write", ...
        int64_t Offset;     // Seek: the move; Read: the position before reading
        DWORD Origin;       // Seek only
        ULONG Count;        // Read: bytes asked for
        bool operator==(const Call& other) const {
            return Method == other.Method && Offset == other.Offset && Origin == other.Origin &&
                   Count == other.Count;
        }
    };

    explicit RecordingStream(std::vector<unsigned char> bytes = {});
    virtual ~RecordingStream() = default;

    std::vector<Call> Calls;
    LONG References = 1;
    bool FailSeeks = false;

    std::vector<unsigned char> Bytes;
    uint64_t Position = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                   ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override;

private:
    HRESULT Refuse(const char* method);
};

// Reads a whole file; an empty vector when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);

// Readable test failures.
void PrintTo(const RecordingStream::Call& call, std::ostream* os);
