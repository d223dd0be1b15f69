// SPDX-License-Identifier: LGPL-3.0-or-later
// The COM identity of every object the system makes, written once: reference counting, the
// module count, QueryInterface over the interfaces a class lists, and making an instance.
#pragma once

#include "platform/AllocationFailures.h"
#include "platform/IsNullReference.h"
#include "platform/ModuleRefCount.h"
#include "platform/Platform.h"

#include <new>
#include <utility>

// Whether an object keeps the module loaded: the module's own objects do; the streams that a
// host or a test hands the filter belong to the host.
enum class ModuleCount { Counted, NotCounted };

// Completes a class that implements COM interfaces into an object: `Base` declares its
// interfaces, in the order QueryInterface answers them (the first also answers IUnknown), as
//   template <typename Self> static const QITAB* Interfaces();
// returning a table built with QITABENT(Self, ...), and leaves IUnknown to this class. The
// object starts with one reference, which its creator holds, and lives in the task allocator.
template <typename Base, ModuleCount Count = ModuleCount::Counted>
class ComObject final : public Base {
public:
    using Base::Base;
    ComObject() = default;

    // Runs only from the last Release, or for an object on the stack whose creator never
    // gives up its reference.
    ~ComObject() override = default;

    // QISearch, with the null interface id that a C host may pass refused as E_POINTER
    // (QISearch itself would read through it).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (IsNullReference(&riid)) {
            *ppv = nullptr;
            return E_POINTER;
        }
        return QISearch(this, Base::template Interfaces<ComObject>(), riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&RefCount));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = InterlockedDecrement(&RefCount);
        if (count == 0) {
            delete this;
            // Only once nothing of the object is left to run may the host unload the module.
            if constexpr (Count == ModuleCount::Counted) {
                InterlockedDecrement(&ModuleRefCount);
            }
        }
        return static_cast<ULONG>(count);
    }

    // Objects come from the task allocator, like everything else the module allocates for a
    // host, so that one allocator decides when memory has run out.
    static void* operator new(size_t size, const std::nothrow_t&) noexcept {
        return CoTaskMemAlloc(size);
    }
    static void operator delete(void* block) noexcept { CoTaskMemFree(block); }
    static void operator delete(void* block, const std::nothrow_t&) noexcept {
        CoTaskMemFree(block);
    }

private:
    // Counts the object in the module from its construction on; the count is given back only
    // once the object is gone (Release).
    struct ModuleCountTaken {
        ModuleCountTaken() {
            if constexpr (Count == ModuleCount::Counted) {
                InterlockedIncrement(&ModuleRefCount);
            }
        }
    };

    ModuleCountTaken Counted;
    mutable LONG volatile RefCount = 1;
};

// The interfaces of a stream: IStream, which answers IUnknown too, and ISequentialStream,
// which it derives from. A stream class's Interfaces() returns this table.
template <typename Self> const QITAB* StreamInterfaces() {
    static const QITAB table[] = {
        QITABENT(Self, IStream),
        QITABENTMULTI(Self, ISequentialStream, IStream),
        {nullptr, 0},
    };
    return table;
}

// An object of a host (a stream it hands the filter, say): it does not keep the module loaded.
template <typename Base> using HostObject = ComObject<Base, ModuleCount::NotCounted>;

// Makes an object and hands out its `riid` face: on success the caller holds the only
// reference; on failure the object is gone again and `*ppv` is null.
template <typename T, ModuleCount Count = ModuleCount::Counted, typename... Args>
HRESULT CreateInstance(REFIID riid, void** ppv, Args&&... args) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    auto* object = NewObject<ComObject<T, Count>>(std::forward<Args>(args)...);
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = object->QueryInterface(riid, ppv);
    object->Release();
    return result;
}
