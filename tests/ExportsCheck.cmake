# SPDX-License-Identifier: LGPL-3.0-or-later
cmake_minimum_required(VERSION 3.20)
# Checks that a module exports exactly the functions named in EXPECTED (a ;-list; when given),
# that nothing of libmobi, which is linked into it statically, nor a wrapper of its C library calls
# shows among its exports or imports, that a DLL imports nothing from a DLL of the C++ runtime
# (libstdc++, libgcc, libwinpthread), and that it imports none of the functions named in REFUSED
# (a ;-list; when given).
#   ELF shared library: -DNM=nm (its dynamic symbols);
#   PE DLL: -DOBJDUMP=x86_64-w64-mingw32-objdump (its export and import tables).
# With -DFORBIDDEN=REGEX (ELF only), no symbol of its whole symbol table, local ones included,
# may match REGEX: what only tests call has no place in the shipped library.
include(${CMAKE_CURRENT_LIST_DIR}/ModuleSymbols.cmake)
module_symbols(${LIBRARY} exported imported listing)
list(SORT exported)
set(expected ${EXPECTED})
list(SORT expected)
if(DEFINED EXPECTED AND NOT exported STREQUAL expected)
    message(FATAL_ERROR "${LIBRARY} exports:\n${listing}\nexpected exactly: ${expected}")
endif()
set(leaks "")
foreach(name IN LISTS exported imported)
    string(TOLOWER "${name}" lower)
    if(name MATCHES "^(mobi_|__wrap_|__real_)" OR lower MATCHES "mobi.*\\.(dll|so)" OR
       lower MATCHES "^(libstdc\\+\\+|libgcc|libwinpthread).*\\.dll$")
        list(APPEND leaks ${name})
    endif()
endforeach()
names_among(refused imported REFUSED)
list(APPEND leaks ${refused})
if(leaks)
    message(FATAL_ERROR "${LIBRARY} shows what it must not: ${leaks}")
endif()
# With -DREQUIRED_IMPORTS (a ;-list), each of them must be imported: the system calls the
# module must make itself (SHChangeNotify, which ends registration).
set(missing ${REQUIRED_IMPORTS})
if(imported)
    list(REMOVE_ITEM missing ${imported})
endif()
if(missing)
    message(FATAL_ERROR "${LIBRARY} does not import: ${missing}")
endif()
if(NM AND FORBIDDEN)
    execute_process(COMMAND ${NM} ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE code)
    string(REGEX MATCHALL "[^\n]+" lines "${listing}")
    set(found "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^.* " "" name "${line}")
        if(name MATCHES "${FORBIDDEN}")
            list(APPEND found ${name})
        endif()
    endforeach()
    if(NOT code EQUAL 0 OR found)
        message(FATAL_ERROR "${LIBRARY} holds what it must not (${FORBIDDEN}): ${found}")
    endif()
endif()
list(LENGTH imported count)
message(STATUS "${LIBRARY}: exports ${exported}; ${count} imports, none of libmobi, "
               "of a runtime DLL or refused")
