// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/LoadBookFromSource.h"

#include "book/load/MobiHolders.h"

#include <cstdio>

// libmobi's own mobi_init, which the linker wraps (cmake/LibmobiAllocation.cmake).
extern "C" MOBIData* __real_mobi_init(void);

namespace {

// The source of the load running on this thread, null between loads. libmobi's FILE is its
// address: no FILE the C library opens can share the address of a live object of ours, and
// each thread sees only its own load, so two loads at once on two threads never meet.
thread_local StdioSource* ThreadLoad = nullptr;
// The book record that the load running on this thread may be handed by mobi_init.
thread_local MobiBook* ThreadReserve = nullptr;

// Makes `source` the load of this thread, and `reserve` what its mobi_init gives, while the
// scope lasts.
class LoadScope {
public:
    LoadScope(StdioSource& source, MobiBook& reserve)
        : OuterLoad(ThreadLoad), OuterReserve(ThreadReserve) {
        ThreadLoad = &source;
        ThreadReserve = &reserve;
    }
    ~LoadScope() {
        ThreadLoad = OuterLoad;
        ThreadReserve = OuterReserve;
    }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

private:
    StdioSource* OuterLoad;
    MobiBook* OuterReserve;
};

FILE* HandleOf(StdioSource* source) {
    return reinterpret_cast<FILE*>(source);
}

// The source behind `file` when it is the handle of this thread's load; null otherwise.
StdioSource* LoadOf(FILE* file) {
    StdioSource* const load = ThreadLoad;
    return load != nullptr && file == HandleOf(load) ? load : nullptr;
}

} // namespace

MOBI_RET LoadBookFromSource(MOBIData* book, StdioSource& source) {
    // libmobi 0.11 makes the KF8 half of a hybrid with mobi_init and writes into it without a
    // check: a failure there would crash the host. The load's one call of it is served from a
    // record made before the load starts, and without one the load fails up front.
    MobiBook reserve(__real_mobi_init());
    if (!reserve) {
        return MOBI_MALLOC_FAILED;
    }
    LoadScope scope(source, reserve);
    return mobi_load_file(book, HandleOf(&source));
}

// The linker's --wrap turns libmobi's calls of fread, fseek, ftell and mobi_init into calls of
// these, and their __real_ names into the C library's functions and libmobi's. Not exported:
// the module's exports are listed, and the objects are built with hidden visibility.
extern "C" {

size_t __real_fread(void* buffer, size_t size, size_t count, FILE* file);
int __real_fseek(FILE* file, long offset, int origin);
long __real_ftell(FILE* file);

size_t __wrap_fread(void* buffer, size_t size, size_t count, FILE* file) {
    StdioSource* const load = LoadOf(file);
    return load != nullptr ? load->Read(buffer, size, count)
                           : __real_fread(buffer, size, count, file);
}

int __wrap_fseek(FILE* file, long offset, int origin) {
    StdioSource* const load = LoadOf(file);
    return load != nullptr ? load->Seek(offset, origin) : __real_fseek(file, offset, origin);
}

long __wrap_ftell(FILE* file) {
    StdioSource* const load = LoadOf(file);
    return load != nullptr ? load->Tell() : __real_ftell(file);
}

// Within a load, the reserved record, once; elsewhere (the module's own calls) libmobi's.
MOBIData* __wrap_mobi_init(void) {
    MobiBook* const reserve = ThreadReserve;
    if (reserve != nullptr && *reserve) {
        return reserve->Detach();
    }
    return __real_mobi_init();
}

} // extern "C"
