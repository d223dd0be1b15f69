# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi reads a book through three C library calls on the FILE it is given: fread, fseek and
# ftell. The system hands it a handle of its own and has the linker wrap those three calls
# (book/load/LoadBookFromSource.cpp): the wrappers serve that handle from the bound IStream and
# pass every other FILE to the C library. That only works when libmobi's code is part of the same
# link, so libmobi is always linked statically, and the options below come with the one target
# that brings libmobi in: whatever links libmobi gets them.

# quillsift_libmobi_stdio(TARGET [ARCHIVE]): adds the wrapping to the interface of TARGET and
# checks that the load in ARCHIVE, a libmobi built elsewhere, touches its FILE through nothing
# else.
function(quillsift_libmobi_stdio target)
    target_link_options(${target} INTERFACE
        "LINKER:--wrap=fread,--wrap=fseek,--wrap=ftell"
        # Asked for up front, the wrappers come out of an archive of the system objects even in
        # a program that calls nothing else of it before another library needs them.
        "LINKER:--undefined=__wrap_fread")
    if(ARGC GREATER 1)
        quillsift_check_libmobi_stdio("${ARGV1}")
    endif()
endfunction()

# Any other call on the FILE would reach the C library with a handle that is not a FILE. The
# member of the archive that defines mobi_load_file may call fopen and fclose, which
# mobi_load_filename needs for its own FILE, and fread, fseek and ftell directly: a call made
# through an import pointer (__imp_fread) would pass the wrapping by.
function(quillsift_check_libmobi_stdio archive)
    if(NOT CMAKE_NM)
        message(FATAL_ERROR "No nm to check how ${archive} reads its FILE")
    endif()
    execute_process(COMMAND ${CMAKE_NM} -A --defined-only "${archive}"
                    OUTPUT_VARIABLE defined RESULT_VARIABLE code ERROR_QUIET)
    string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* T _?mobi_load_file\n" line "${defined}\n")
    if(NOT code EQUAL 0 OR NOT line)
        message(FATAL_ERROR "${archive} defines no mobi_load_file")
    endif()
    set(member "${CMAKE_MATCH_1}")
    execute_process(COMMAND ${CMAKE_NM} -A -u "${archive}" OUTPUT_VARIABLE undefined ERROR_QUIET)
    string(REGEX MATCHALL "[^\n]*:${member}:[^\n]*" lines "${undefined}")
    set(file_calls
        fread fread_unlocked __fread_chk __fread_unlocked_chk fgetc fgetc_unlocked getc
        getc_unlocked _IO_getc _filbuf __uflow fgets fgets_unlocked __fgets_chk fscanf
        __isoc99_fscanf ungetc fseeko fseeko64 _fseeki64 ftello ftello64 _ftelli64 rewind
        fgetpos fgetpos64 fsetpos fsetpos64 feof feof_unlocked ferror ferror_unlocked clearerr
        fileno _fileno setvbuf setbuf flockfile _lock_file fflush fstat fseek ftell)
    set(refused "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^.* U " "" name "${line}")
        string(REGEX REPLACE "^__imp_" "" called "${name}")
        if(called IN_LIST file_calls AND
           (NOT name STREQUAL called OR NOT called MATCHES "^(fread|fseek|ftell)$"))
            list(APPEND refused ${name})
        endif()
    endforeach()
    if(refused)
        message(FATAL_ERROR "The load of ${archive} (${member}) calls ${refused} on its FILE: "
                            "only fread, fseek and ftell, called directly, can be served from a stream")
    endif()
endfunction()
