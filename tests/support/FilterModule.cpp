// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/FilterModule.h"

#include <dlfcn.h>

namespace {

template <typename Function> void Resolve(void* handle, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(handle, name));
}

} // namespace

const CLSID BookFilterClassId = {
    0x5E1A9C42, 0x7B3D, 0x4C2F, {0x9A, 0x61, 0x3D, 0x8E, 0x2B, 0x7F, 0x1C, 0x05}};
const CLSID OtherClassId = {
    0x6D24E8A1, 0x0F53, 0x4E17, {0xB9, 0x3A, 0x8C, 0x5D, 0x20, 0xF4, 0x7E, 0x61}};

FilterModule::FilterModule(const std::string& path) {
    Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Handle == nullptr) {
        Error = dlerror();
        return;
    }
    Resolve(Handle, "DllGetClassObject", &GetClassObject);
    Resolve(Handle, "DllGetClassObject", &GetClassObjectByPointer);
    Resolve(Handle, "DllCanUnloadNow", &CanUnloadNow);
    Resolve(Handle, "DllRegisterServer", &RegisterServer);
    Resolve(Handle, "DllUnregisterServer", &UnregisterServer);
    if (GetClassObject == nullptr || CanUnloadNow == nullptr || RegisterServer == nullptr ||
        UnregisterServer == nullptr) {
        Error = "an export is missing";
    }
}

FilterModule::~FilterModule() {
    if (Handle != nullptr) {
        dlclose(Handle);
    }
}

FilterModule& FilterModule::Built() {
    static FilterModule module(QUILLSIFT_LIBRARY);
    return module;
}
