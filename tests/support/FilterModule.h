// SPDX-License-Identifier: LGPL-3.0-or-later
// The filter library as a host sees it: loaded with dlopen, reached only through its exports.
#pragma once

#include "platform/Platform.h"

#include <string>

class FilterModule {
public:
    explicit FilterModule(const std::string& path);
    FilterModule(const FilterModule&) = delete;
    FilterModule& operator=(const FilterModule&) = delete;
    ~FilterModule();

    // The library that the build made, loaded once for the whole test program.
    static FilterModule& Built();

    bool IsLoaded() const { return Handle != nullptr; }
    const std::string& LoadError() const { return Error; }

    HRESULT (*GetClassObject)(REFCLSID rclsid, REFIID riid, void** ppv) = nullptr;
    // The same export as a C host declares it, by pointer, so that a test can pass null.
    HRESULT (*GetClassObjectByPointer)(const CLSID* rclsid, const IID* riid, void** ppv) = nullptr;
    HRESULT (*CanUnloadNow)() = nullptr;
    HRESULT (*RegisterServer)() = nullptr;
    HRESULT (*UnregisterServer)() = nullptr;

private:
    void* Handle = nullptr;
    std::string Error;
};

// The filter's class, and another that a host may ask for (the persistent handler's).
extern const CLSID BookFilterClassId;
extern const CLSID OtherClassId;
