# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi 0.11 decompresses each text record into a buffer it does not clear, and a corrupt
# record's back-references can copy bytes of it that nothing wrote. The linker wraps its two
# per-record decompressors (book/load/ZeroFilledDecompression.cpp), so that the buffer is cleared
# before the real one writes it. As with the stdio wrapping, the options come with the one
# target that brings libmobi in.

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
    if(NOT CMAKE_NM)
        message(FATAL_ERROR "No nm to check libmobi's decompressors in ${archive}")
    endif()
    execute_process(COMMAND ${CMAKE_NM} -A "${archive}" OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE code ERROR_QUIET)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "Cannot read the symbols of ${archive}")
    endif()
    foreach(name mobi_decompress_lz77 mobi_decompress_huffman)
        string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* T _?${name}\n" defined "${symbols}\n")
        set(definer "${CMAKE_MATCH_1}")
        string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* U _?${name}\n" called "${symbols}\n")
        if(NOT defined OR NOT called OR CMAKE_MATCH_1 STREQUAL definer)
            message(FATAL_ERROR "${archive} does not define ${name} in one object file and "
                                "call it from another: its output buffers cannot be cleared")
        endif()
    endforeach()
endfunction()
