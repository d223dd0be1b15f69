// Owns a block from CoTaskMemAlloc and frees it with CoTaskMemFree.
#pragma once

#include "platform/Platform.h"

#include <utility>

template <typename T> class CoTaskMemPtr {
public:
    CoTaskMemPtr() = default;
    explicit CoTaskMemPtr(T* block) : Block(block) {}
    CoTaskMemPtr(const CoTaskMemPtr&) = delete;
    CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;
    CoTaskMemPtr(CoTaskMemPtr&& other) noexcept : Block(std::exchange(other.Block, nullptr)) {}
    ~CoTaskMemPtr() { CoTaskMemFree(Block); }

    T* Get() const { return Block; }
    T* operator->() const { return Block; }
    explicit operator bool() const { return Block != nullptr; }
    T** Put() {
        CoTaskMemFree(std::exchange(Block, nullptr));
        return &Block;
    }
    T* Detach() { return std::exchange(Block, nullptr); }

private:
    T* Block = nullptr;
};
