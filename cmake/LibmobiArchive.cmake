# SPDX-License-Identifier: LGPL-3.0-or-later
# What the checks of libmobi's archive share: the link's wrapping of a function reaches only the
# calls that name it as an undefined reference of their object file.

# quillsift_libmobi_symbols(ARCHIVE OUT WHAT): every symbol of ARCHIVE, member by member (nm -A),
# into OUT; WHAT says what the check is for, should nm be missing.
function(quillsift_libmobi_symbols archive out what)
    if(NOT CMAKE_NM)
        message(FATAL_ERROR "No nm to check ${what} in ${archive}")
    endif()
    execute_process(COMMAND ${CMAKE_NM} -A "${archive}" OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE code ERROR_QUIET)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "Cannot read the symbols of ${archive}")
    endif()
    set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

# quillsift_require_cross_member_call(SYMBOLS ARCHIVE NAME CONSEQUENCE): fails unless NAME is
# defined, global, by one member of the archive and called from another one, where the wrapping
# reaches the call; CONSEQUENCE says what is lost otherwise.
function(quillsift_require_cross_member_call symbols archive name consequence)
    string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* T _?${name}\n" defined "${symbols}\n")
    set(definer "${CMAKE_MATCH_1}")
    string(REGEX MATCH "[^\n]*:([^\n:]+):[^\n]* U _?${name}\n" called "${symbols}\n")
    if(NOT defined OR NOT called OR CMAKE_MATCH_1 STREQUAL definer)
        message(FATAL_ERROR "${archive} does not define ${name} in one object file and call it "
                            "from another: ${consequence}")
    endif()
endfunction()
