// memcmp as libmobi calls it: the libmobi that is linked has its memcmp calls renamed to this
// function (cmake/Libmobi.cmake).
#include <cstddef>
#include <cstring>

// libmobi looks for markup attributes by calling memcmp at every byte of a KF8 part, and
// nearly every call differs at the first byte. Linked statically, each of those calls into
// the C library costs more than it did from libmobi's shared library on some machines (a
// fifth of a large KF8 book's filtering, measured); the first byte is compared here, the C
// library compares the rest.
extern "C" int QuillsiftLibmobiMemcmp(const void* first, const void* second, size_t count) {
    if (count == 0) {
        return 0;
    }
    const unsigned char a = *static_cast<const unsigned char*>(first);
    const unsigned char b = *static_cast<const unsigned char*>(second);
    if (a != b) {
        return a < b ? -1 : 1;
    }
    return std::memcmp(first, second, count);
}
