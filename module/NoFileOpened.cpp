// SPDX-License-Identifier: LGPL-3.0-or-later
// The module opens no file. libmobi's mobi_load_filename shares its object file with the load
// from a FILE and brings fopen and fclose into any link of it, although the filter never calls
// it. The module's link wraps both (module/CMakeLists.txt), so the C library's are not linked
// at all: no file can be opened from inside the module, and so none is closed.
#include <cerrno>
#include <cstdio>

extern "C" {

FILE* __wrap_fopen(const char*, const char*) {
    errno = EACCES;
    return nullptr;
}

int __wrap_fclose(FILE*) {
    return EOF;
}

} // extern "C"
