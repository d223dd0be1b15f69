// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/LoadBookFromSource.h"

#include <cstdio>

namespace {

// The source of the load running on this thread, null between loads. libmobi's FILE is its
// address: no FILE the C library opens can share the address of a live object of ours, and
// each thread sees only its own load, so two loads at once on two threads never meet.
thread_local StdioSource* ThreadLoad = nullptr;

// Makes `source` the load of this thread while the scope lasts.
class LoadScope {
public:
    explicit LoadScope(StdioSource& source) : Outer(ThreadLoad) { ThreadLoad = &source; }
    ~LoadScope() { ThreadLoad = Outer; }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

private:
    StdioSource* Outer;
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
    LoadScope scope(source);
    return mobi_load_file(book, HandleOf(&source));
}

// The linker's --wrap turns libmobi's calls of fread, fseek and ftell into calls of these, and
// their __real_ names into the C library's functions. Not exported: the module's exports are
// listed, and the objects are built with hidden visibility.
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

} // extern "C"
