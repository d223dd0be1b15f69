// SPDX-License-Identifier: LGPL-3.0-or-later
// Owns one reference to a COM interface and releases it when it goes.
#pragma once

#include "platform/Platform.h"

#include <utility>

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : Pointer(std::exchange(other.Pointer, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        Reset(std::exchange(other.Pointer, nullptr));
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference the caller already holds.
    static ComPtr Attach(T* pointer) {
        ComPtr result;
        result.Pointer = pointer;
        return result;
    }

    T* Get() const { return Pointer; }
    T* operator->() const { return Pointer; }
    explicit operator bool() const { return Pointer != nullptr; }

    // Releases what is held and gives the slot for an out-parameter.
    T** Put() {
        Reset();
        return &Pointer;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    T* Detach() { return std::exchange(Pointer, nullptr); }

    void Reset(T* pointer = nullptr) {
        T* old = std::exchange(Pointer, pointer);
        if (old != nullptr) {
            old->Release();
        }
    }

private:
    T* Pointer = nullptr;
};
