// SPDX-License-Identifier: LGPL-3.0-or-later
// One owner for every kind of resource the system holds: a value and the function that
// releases it. Each holder is a one-line alias.
#pragma once

#include "platform/Platform.h"

#include <cstdlib>
#include <type_traits>
#include <utility>

// Owns `T` (a pointer, a handle, or a structure such as a PROPVARIANT) and hands it to `Close`
// when it goes: Close(value) for a pointer or a handle, Close(&value) for a structure. A
// pointer or a handle equal to `Invalid` holds nothing (null by default; a file descriptor
// gives -1); a structure is always closed.
template <typename T, auto Close, auto Invalid = nullptr> class UniqueAny {
public:
    UniqueAny() = default;
    // Takes over a value the caller owned.
    explicit UniqueAny(T value) : Value(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : Value(std::exchange(other.Value, Empty())) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        Reset(std::exchange(other.Value, Empty()));
        return *this;
    }
    ~UniqueAny() { Reset(); }

    const T& Get() const { return Value; }
    T& Get() { return Value; }
    auto operator->() const {
        if constexpr (std::is_pointer_v<T>) {
            return Value;
        } else {
            return &Value;
        }
    }
    explicit operator bool() const { return !IsEmpty(Value); }

    // Releases what is held and gives the slot for an out-parameter.
    T* Put() {
        Reset();
        return &Value;
    }

    // Gives up ownership without releasing.
    T Detach() { return std::exchange(Value, Empty()); }

    void Reset(T value = Empty()) {
        T old = std::exchange(Value, value);
        if (!IsEmpty(old)) {
            if constexpr (std::is_class_v<T>) {
                Close(&old);
            } else {
                Close(old);
            }
        }
    }

private:
    // What holds nothing: Invalid, or a zeroed structure.
    static T Empty() {
        if constexpr (std::is_class_v<T>) {
            return T{};
        } else {
            return static_cast<T>(Invalid);
        }
    }
    static bool IsEmpty(const T& value) {
        if constexpr (std::is_class_v<T>) {
            return false;
        } else {
            return value == static_cast<T>(Invalid);
        }
    }

    T Value = Empty();
};

inline void FreeMalloced(void* block) {
    std::free(block);
}

// A PROPVARIANT block a filter handed out: its contents cleared, then the block freed.
inline void FreePropVariantBlock(PROPVARIANT* value) {
    PropVariantClear(value);
    CoTaskMemFree(value);
}

template <typename T> using CoTaskMemPtr = UniqueAny<T*, CoTaskMemFree>;
using RegistryKey = UniqueAny<HKEY, RegCloseKey>;
using PropVariant = UniqueAny<PROPVARIANT, PropVariantClear>;
using PropVariantBlock = UniqueAny<PROPVARIANT*, FreePropVariantBlock>;
// A string the C library allocated (libmobi hands out its strings so).
using MallocedString = UniqueAny<char*, FreeMalloced>;
