# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi's allocations reach the module's own functions (book/load/LibmobiAllocation.cpp), which
# count each one that fails on its thread: a load or a chunk during which one failed answers
# E_OUTOFMEMORY. libmobi 0.11 also makes a hybrid's KF8 half with mobi_init and uses it without
# a check; the load serves that call from a record reserved before it starts
# (book/load/LoadBookFromSource.cpp). As with the stdio wrapping, the options come with the one
# target that brings libmobi in.

include(${CMAKE_CURRENT_LIST_DIR}/LibmobiArchive.cmake)

# quillsift_libmobi_allocation(TARGET [ARCHIVE]): adds the wrapping to the interface of TARGET
# and checks that ARCHIVE, a libmobi built elsewhere, lets it reach the calls.
function(quillsift_libmobi_allocation target)
    target_link_options(${target} INTERFACE
        "LINKER:--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=strdup,--wrap=mobi_init"
        # Asked for up front: libmobi's archive comes after the system's in the link.
        "LINKER:--undefined=__wrap_malloc" "LINKER:--undefined=__wrap_mobi_init")
    if(ARGC GREATER 1)
        quillsift_check_libmobi_allocation("${ARGV1}")
    endif()
endfunction()

# The wrapping reaches a call only when the call names the function itself: a call through an
# import pointer (__imp_malloc) or to another name of it (_strdup) would pass it by. And
# mobi_init must be defined by one member of the archive and called from another.
function(quillsift_check_libmobi_allocation archive)
    quillsift_libmobi_symbols("${archive}" symbols "libmobi's allocations")
    string(REGEX MATCHALL
           " U (__imp_|_imp__|__imp__)?_?(malloc|calloc|realloc|strdup|_strdup|__strdup|strndup)\n"
           calls "${symbols}\n")
    set(refused "")
    foreach(call IN LISTS calls)
        string(STRIP "${call}" call)
        string(REGEX REPLACE "^U " "" name "${call}")
        if(NOT name MATCHES "^_?(malloc|calloc|realloc|strdup)$")
            list(APPEND refused ${name})
        endif()
    endforeach()
    if(refused)
        list(REMOVE_DUPLICATES refused)
        message(FATAL_ERROR "libmobi in ${archive} allocates through ${refused}, which the "
                            "module cannot count")
    endif()
    quillsift_require_cross_member_call("${symbols}" "${archive}" mobi_init
                                        "a hybrid's load cannot be served a reserved record")
endfunction()
