// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/RecordingStream.h"

#include <algorithm>
#include <fstream>
#include <iterator>

RecordingStreamBase::RecordingStreamBase(std::vector<unsigned char> bytes)
    : Bytes(std::move(bytes)) {}

const RecordingStreamBase::Fault* RecordingStreamBase::Record(Call call) {
    Calls.push_back(call);
    if (OnCall) {
        OnCall(Calls.back());
    }
    for (const Fault& fault : Faults) {
        if (fault.Call == Calls.size() - 1) {
            return &fault;
        }
    }
    return nullptr;
}

HRESULT RecordingStreamBase::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    const Fault* fault = Record({"Read", static_cast<int64_t>(Position), 0, cb});
    const uint64_t end = Beyond && ReportedLength ? *ReportedLength : Bytes.size();
    const uint64_t available = Position < end ? end - Position : 0;
    ULONG count = static_cast<ULONG>(std::min<uint64_t>(cb, available));
    if (fault != nullptr) {
        count -= std::min(count, fault->Withheld);
    }
    for (ULONG i = 0; i < count; ++i) {
        const uint64_t at = Position + i;
        static_cast<unsigned char*>(pv)[i] = at < Bytes.size() ? Bytes[at] : Beyond(at);
    }
    Position += count;
    if (pcbRead != nullptr) {
        *pcbRead = count;
    }
    if (fault != nullptr) {
        return fault->Answer;
    }
    return ReadAnswer ? *ReadAnswer : count == cb ? S_OK : S_FALSE;
}

HRESULT RecordingStreamBase::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                  ULARGE_INTEGER* plibNewPosition) {
    const Fault* fault = Record({"Seek", dlibMove.QuadPart, dwOrigin, 0});
    if (FailSeeks) {
        return STG_E_INVALIDFUNCTION;
    }
    if (fault != nullptr && !fault->Acts) {
        return fault->Answer;
    }
    int64_t base = 0;
    if (dwOrigin == STREAM_SEEK_CUR) {
        base = static_cast<int64_t>(Position);
    } else if (dwOrigin == STREAM_SEEK_END) {
        base = static_cast<int64_t>(ReportedLength ? *ReportedLength : Bytes.size());
    } else if (dwOrigin != STREAM_SEEK_SET) {
        return STG_E_INVALIDFUNCTION;
    }
    const int64_t target = base + dlibMove.QuadPart;
    if (target < 0) {
        return STG_E_INVALIDFUNCTION;
    }
    Position = static_cast<uint64_t>(target);
    if (plibNewPosition != nullptr) {
        plibNewPosition->QuadPart = Position;
    }
    return fault != nullptr ? fault->Answer : S_OK;
}

size_t RecordingStreamBase::ReadsAt(uint64_t offset) const {
    size_t reads = 0;
    for (const Call& call : Calls) {
        reads += call.Method == "Read" && static_cast<uint64_t>(call.Offset) == offset ? 1 : 0;
    }
    return reads;
}

HRESULT RecordingStreamBase::Refuse(const char* method) {
    Calls.push_back({method, 0, 0, 0});
    return E_NOTIMPL;
}

HRESULT RecordingStreamBase::Write(const void*, ULONG, ULONG*) {
    return Refuse("Write");
}
HRESULT RecordingStreamBase::SetSize(ULARGE_INTEGER) {
    return Refuse("SetSize");
}
HRESULT RecordingStreamBase::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
    return Refuse("CopyTo");
}
HRESULT RecordingStreamBase::Commit(DWORD) {
    return Refuse("Commit");
}
HRESULT RecordingStreamBase::Revert() {
    return Refuse("Revert");
}
HRESULT RecordingStreamBase::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return Refuse("LockRegion");
}
HRESULT RecordingStreamBase::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return Refuse("UnlockRegion");
}
HRESULT RecordingStreamBase::Stat(STATSTG*, DWORD) {
    return Refuse("Stat");
}
HRESULT RecordingStreamBase::Clone(IStream**) {
    return Refuse("Clone");
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>());
}

void PrintTo(const RecordingStreamBase::Call& call, std::ostream* os) {
    *os << call.Method << "(" << call.Offset;
    if (call.Method == "Seek") {
        *os << ", origin " << call.Origin;
    } else {
        *os << ", " << call.Count << " bytes";
    }
    *os << ")";
}
