# SPDX-License-Identifier: LGPL-3.0-or-later
# module_symbols(LIBRARY EXPORTED IMPORTED LISTING): the names a module exports and imports,
# for the checks run with cmake -P.
#   PE DLL, with OBJDUMP set (GNU's x86_64-w64-mingw32-objdump, or LLVM's llvm-objdump for
#   ARM64): its export table; its import table, the name of each DLL and of each function
#   imported from it.
#   ELF shared library, with NM set and no OBJDUMP: its dynamic symbols, the undefined ones
#   imported, without their version.
# LISTING receives the tool's output.
function(module_symbols library exported_var imported_var listing_var)
    set(exported "")
    set(imported "")
    if(OBJDUMP)
        execute_process(COMMAND ${OBJDUMP} -p ${library} OUTPUT_VARIABLE listing
                        RESULT_VARIABLE code)
        if(listing MATCHES "file format coff-")
            # llvm-objdump: the import tables, then the export table, whose rows are
            # "ordinal RVA name"; in the import tables, "DLL Name: X" lines, then one
            # "hint name" row per function.
            string(FIND "${listing}" "\nExport Table:" at)
            string(SUBSTRING "${listing}" 0 ${at} imports)
            set(exports "")
            if(at GREATER -1)
                string(SUBSTRING "${listing}" ${at} -1 exports)
            endif()
            string(REGEX MATCHALL "\n +[0-9]+ +0x[0-9a-f]+ +[^ \n]+" export_rows "${exports}")
            string(REGEX MATCHALL "\n +DLL Name: [^\n]+|\n +[0-9]+  [^ \n]+" import_rows
                   "${imports}")
        else()
            # GNU objdump: "[n] name" rows of the export table; "DLL Name: X" lines, then one
            # "vma hint name" row per function.
            string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^+\n][^\n]*" export_rows "${listing}")
            string(REGEX MATCHALL "\n\tDLL Name: [^\n]+|\n\t[0-9a-f]+\t +[0-9]+ +[^\n]+"
                   import_rows "${listing}")
        endif()
        foreach(entry IN LISTS export_rows)
            string(REGEX REPLACE "^.*[] ]" "" name "${entry}")
            list(APPEND exported ${name})
        endforeach()
        foreach(entry IN LISTS import_rows)
            string(REGEX REPLACE "^.*[ \t]" "" name "${entry}")
            list(APPEND imported ${name})
        endforeach()
    else()
        execute_process(COMMAND ${NM} -D ${library} OUTPUT_VARIABLE listing RESULT_VARIABLE code)
        string(REGEX MATCHALL "[^\n]+" lines "${listing}")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^.* " "" name "${line}")
            string(REGEX REPLACE "@.*$" "" name "${name}")
            if(line MATCHES "^ +[Uw] ")
                list(APPEND imported ${name})
            else()
                list(APPEND exported ${name})
            endif()
        endforeach()
    endif()
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "Cannot list the symbols of ${library}")
    endif()
    set(${exported_var} ${exported} PARENT_SCOPE)
    set(${imported_var} ${imported} PARENT_SCOPE)
    set(${listing_var} "${listing}" PARENT_SCOPE)
endfunction()

# names_among(OUT CANDIDATES SET): the names of the list CANDIDATES that the list SET holds,
# both lists given by their variables' names.
function(names_among out candidates set)
    set(found "")
    foreach(name IN LISTS ${candidates})
        if(name IN_LIST ${set})
            list(APPEND found ${name})
        endif()
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
