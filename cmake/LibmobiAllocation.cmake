# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi's allocations reach the module's own functions (book/load/LibmobiAllocation.cpp), which
# count each one that fails on its thread: a load or a chunk during which one failed answers
# E_OUTOFMEMORY. libmobi 0.11 also makes a hybrid's KF8 half with mobi_init and uses it without
# a check; the load serves that call from a record reserved before it starts
# (book/load/LoadBookFromSource.cpp). As with the stdio wrapping, the options come with the one
# target that brings libmobi in.

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
    if(NOT CMAKE_NM)
        message(FATAL_ERROR "No nm to check libmobi's allocations in ${archive}")
    endif()
    execute_process(COMMAND ${CMAKE_NM} -A "${archive}" OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE code ERROR_QUIET)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "Cannot read the symbols of ${archive}")
    endif()
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
    string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* T _?mobi_init\n" defined "${symbols}\n")
    set(definer "${CMAKE_MATCH_1}")
    string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* U _?mobi_init\n" called "${symbols}\n")
    if(NOT defined OR NOT called OR CMAKE_MATCH_1 STREQUAL definer)
        message(FATAL_ERROR "${archive} does not define mobi_init in one object file and call "
                            "it from another: a hybrid's load cannot be served a reserved record")
    endif()
endfunction()
