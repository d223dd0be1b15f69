// SPDX-License-Identifier: LGPL-3.0-or-later
// The loader side of a DLL entry point for the native build: when the dynamic loader has
// loaded the shared object, DllMain is told of the process attach with the object's own
// handle, and of the detach when the object is unloaded. Linked statically into a program,
// the handle is the program's.
#include "platform/Platform.h"

#include <dlfcn.h>
#include <link.h>

// Defined by the module, as the Windows runtime's DLL entry expects.
extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

namespace {

HINSTANCE AttachedHandle = nullptr;

HINSTANCE OwnHandle() {
    Dl_info info;
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&OwnHandle), &info, reinterpret_cast<void**>(&map),
                RTLD_DL_LINKMAP) == 0 ||
        map == nullptr) {
        return nullptr;
    }
    void* handle = map->l_name == nullptr || map->l_name[0] == 0
                       ? dlopen(nullptr, RTLD_LAZY)
                       : dlopen(map->l_name, RTLD_LAZY | RTLD_NOLOAD);
    // Only the handle is wanted, not a second reference: it stays valid while we are loaded.
    if (handle != nullptr) {
        dlclose(handle);
    }
    return static_cast<HINSTANCE>(handle);
}

__attribute__((constructor)) void AttachProcess() {
    AttachedHandle = OwnHandle();
    RecordModuleFileName(AttachedHandle);
    DllMain(AttachedHandle, DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void DetachProcess() {
    DllMain(AttachedHandle, DLL_PROCESS_DETACH, nullptr);
}

} // namespace

extern "C" BOOL DisableThreadLibraryCalls(HMODULE) {
    return TRUE;
}
