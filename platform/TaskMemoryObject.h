// The module's COM objects are made in the task allocator, like everything else the module
// allocates for a host, so that one allocator decides when memory has run out.
#pragma once

#include "platform/Platform.h"

#include <new>

struct TaskMemoryObject {
    static void* operator new(size_t size, const std::nothrow_t&) noexcept {
        return CoTaskMemAlloc(size);
    }
    static void* operator new(size_t size) {
        void* block = CoTaskMemAlloc(size);
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        return block;
    }
    static void operator delete(void* block) noexcept { CoTaskMemFree(block); }
    static void operator delete(void* block, const std::nothrow_t&) noexcept {
        CoTaskMemFree(block);
    }
};
