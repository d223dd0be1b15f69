# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi 0.11 decompresses each text record into a buffer it does not clear, and a corrupt
# record's back-references can copy bytes of it that nothing wrote. The linker wraps its two
# per-record decompressors (book/load/ZeroFilledDecompression.cpp), so that the buffer is cleared
# before the real one writes it. As with the stdio wrapping, the options come with the one
# target that brings libmobi in.

include(${CMAKE_CURRENT_LIST_DIR}/LibmobiArchive.cmake)

# quillsift_libmobi_decompression(TARGET [ARCHIVE]): adds the wrapping to the interface of
# TARGET and checks that ARCHIVE, a libmobi built elsewhere, lets it reach the calls.
function(quillsift_libmobi_decompression target)
    target_link_options(${target} INTERFACE
        "LINKER:--wrap=mobi_decompress_lz77,--wrap=mobi_decompress_huffman"
        # The wrappers are asked for up front: libmobi's archive comes after the system's in
        # the link, and its calls of them would find nothing left to pull them from.
        "LINKER:--undefined=__wrap_mobi_decompress_lz77"
        "LINKER:--undefined=__wrap_mobi_decompress_huffman")
    if(ARGC GREATER 1)
        quillsift_check_libmobi_decompression("${ARGV1}")
    endif()
endfunction()

# The wrapping reaches a call only when the call is an undefined reference of its object file:
# each decompressor must be defined, global, by one member of the archive and called from
# another one.
function(quillsift_check_libmobi_decompression archive)
    quillsift_libmobi_symbols("${archive}" symbols "libmobi's decompressors")
    foreach(name mobi_decompress_lz77 mobi_decompress_huffman)
        quillsift_require_cross_member_call("${symbols}" "${archive}" ${name}
                                            "its output buffers cannot be cleared")
    endforeach()
endfunction()
