// SPDX-License-Identifier: LGPL-3.0-or-later
// An IStream over bytes in memory that counts its references and records every call, for
// checking what a filter does with the stream it is given.
#pragma once

#include "platform/ComObject.h"
#include "platform/Platform.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The stream's methods; RecordingStream below is the object a test makes. The test holds one
// reference throughout (a stream on the stack is never destroyed by a Release), and
// ReferencesOf (References.h) tells what the filter did with it.
class RecordingStreamBase : public IStream {
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

    explicit RecordingStreamBase(std::vector<unsigned char> bytes = {});
    virtual ~RecordingStreamBase() = default;

    template <typename Self> static const QITAB* Interfaces() { return StreamInterfaces<Self>(); }

    // A call that misbehaves: the one recorded at index `Call` of Calls.
    struct Fault {
        size_t Call;
        HRESULT Answer;     // what it returns
        bool Acts = true;   // Seek: whether it still moves and reports the new position
        ULONG Withheld = 0; // Read: how many of the bytes it would deliver it leaves out
    };

    std::vector<Call> Calls;
    bool FailSeeks = false;
    std::vector<Fault> Faults;
    // What every Read answers, whatever it delivers; by default S_OK, or S_FALSE when short.
    std::optional<HRESULT> ReadAnswer;
    // The length a seek from the end counts from; by default that of Bytes.
    std::optional<uint64_t> ReportedLength;
    // Called with each Read and Seek as it is recorded, before it is served.
    std::function<void(const Call&)> OnCall;

    std::vector<unsigned char> Bytes;
    uint64_t Position = 0;
    // Bytes past the end of Bytes, up to ReportedLength, made on demand (a book of hundreds of
    // megabytes that is never held); by default there are none.
    std::function<unsigned char(uint64_t position)> Beyond;

    // How many of the recorded reads started at `offset`.
    size_t ReadsAt(uint64_t offset) const;

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
    const Fault* Record(Call call);
};

using RecordingStream = HostObject<RecordingStreamBase>;

// Reads a whole file; an empty vector when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);

// Readable test failures.
void PrintTo(const RecordingStream::Call& call, std::ostream* os);
