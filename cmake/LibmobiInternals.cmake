# SPDX-License-Identifier: LGPL-3.0-or-later
# The functions of libmobi 0.11 that the text read part by part calls though mobi.h does not
# declare them (book/text/LibmobiInternals.h declares them as libmobi's private headers do).
# They are global in its static library; the configuration checks that the archive linked
# defines every one, so that another build of libmobi that hides one fails here, by name,
# rather than at the link.
set(QUILLSIFT_LIBMOBI_INTERNALS
    mobi_decompress_lz77 mobi_decompress_huffman mobi_init_huffcdic mobi_free_huffcdic
    mobi_parse_huffdic mobi_buffer_decrypt mobi_has_drmkey mobi_remove_zeros mobi_is_cp1252
    mobi_cp1252_to_utf8 mobi_init_indx mobi_free_indx mobi_parse_index
    mobi_get_indxentry_tagvalue mobi_parse_fdst)

# quillsift_check_libmobi_internals(ARCHIVE): fails unless ARCHIVE defines each of them.
function(quillsift_check_libmobi_internals archive)
    if(NOT CMAKE_NM)
        message(FATAL_ERROR "No nm to check libmobi's functions in ${archive}")
    endif()
    execute_process(COMMAND ${CMAKE_NM} -A --defined-only "${archive}" OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE code ERROR_QUIET)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "Cannot read the symbols of ${archive}")
    endif()
    set(missing "")
    foreach(name IN LISTS QUILLSIFT_LIBMOBI_INTERNALS)
        if(NOT symbols MATCHES "[^\n]* T _?${name}\n")
            list(APPEND missing ${name})
        endif()
    endforeach()
    if(missing)
        list(JOIN missing ", " missing)
        message(FATAL_ERROR "${archive} does not define ${missing}, which the text read part by "
                            "part calls (book/text/LibmobiInternals.h): a libmobi other than "
                            "0.11, or built without encryption?")
    endif()
endfunction()
