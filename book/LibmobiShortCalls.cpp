// memcmp and memmove as libmobi calls them: the libmobi that is linked has those calls renamed
// to these functions (cmake/Libmobi.cmake), which answer the short cases themselves and pass
// the others to the C library.
//
// libmobi compares markup attributes with a memcmp call at every byte of a KF8 part, nearly
// all of which differ at the first byte, and copies every back-reference of its LZ77
// decompression, 3 to 10 bytes, with a memmove call. Linked statically into a program, each
// such call into the C library cost more than from libmobi's shared library on the machine
// where this was measured: the large books' filtering took 13 to 20% longer.
#include <cstddef>
#include <cstdint>
#include <cstring>

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

namespace {

// Moves 2 * sizeof(Word) bytes at most and sizeof(Word) at least: both ends are loaded before
// either is stored, so the ranges may overlap.
template <typename Word>
void MoveEnds(unsigned char* target, const unsigned char* source, size_t count) {
    Word head;
    Word tail;
    std::memcpy(&head, source, sizeof(Word));
    std::memcpy(&tail, source + count - sizeof(Word), sizeof(Word));
    std::memcpy(target, &head, sizeof(Word));
    std::memcpy(target + count - sizeof(Word), &tail, sizeof(Word));
}

} // namespace

extern "C" void* QuillsiftLibmobiMemmove(void* target, const void* source, size_t count) {
    auto* to = static_cast<unsigned char*>(target);
    const auto* from = static_cast<const unsigned char*>(source);
    if (count > 16) {
        return std::memmove(target, source, count);
    }
    if (count >= 8) {
        MoveEnds<uint64_t>(to, from, count);
    } else if (count >= 4) {
        MoveEnds<uint32_t>(to, from, count);
    } else if (count > 0) {
        const unsigned char first = from[0];
        const unsigned char middle = from[count / 2];
        const unsigned char last = from[count - 1];
        to[0] = first;
        to[count / 2] = middle;
        to[count - 1] = last;
    }
    return target;
}
