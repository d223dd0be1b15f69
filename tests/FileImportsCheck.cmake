# SPDX-License-Identifier: LGPL-3.0-or-later
cmake_minimum_required(VERSION 3.20)
# Checks that the DLL makes, opens or deletes no file: no function for temporary files, for
# creating or opening files or for deleting them is referred to by the system's own objects, nor
# imported by the DLL at all.
#   -DOBJDUMP, -DNM: the mingw-w64 tools; -DLIBRARY: the DLL; -DOBJECTS_LIST: a file naming the
#   system's object files, one a line.
# libmobi's mobi_load_filename, which the filter never calls, refers to fopen and fclose; the
# module's link wraps both with functions that open nothing (module/NoFileOpened.cpp), so a
# real libmobi imports neither and the check admits no exception.
# One function opens a file: SHCreateStreamOnFileEx, read-only and shared, for
# IPersistFile::Load, since hosts built on LoadIFilter bind a filter by the file's path. Only
# the filter's binding (filter/CFilterBase.cpp) may refer to it; the indexer's own path stays
# the stream it hands over, and nothing else of the DLL opens a file.
set(opens_by_path SHCreateStreamOnFileEx)
set(opens_by_path_object "CFilterBase\\.cpp\\.obj$")
set(forbidden
    GetTempPathA GetTempPathW GetTempPath2A GetTempPath2W GetTempFileNameA GetTempFileNameW
    CreateFileA CreateFileW CreateFile2 CreateFileTransactedA CreateFileTransactedW OpenFile
    _lcreat _lopen DeleteFileA DeleteFileW CopyFileA CopyFileW CopyFileExA CopyFileExW
    MoveFileA MoveFileW MoveFileExA MoveFileExW ReplaceFileA ReplaceFileW
    CreateDirectoryA CreateDirectoryW SHCreateStreamOnFileA SHCreateStreamOnFileW
    fopen fclose _wfopen fopen_s _wfopen_s _fsopen _wfsopen freopen _wfreopen
    tmpfile tmpfile_s tmpnam _wtmpnam tmpnam_s _wtmpnam_s _tempnam _wtempnam _mktemp _wmktemp
    _mktemp_s _wmktemp_s _open _wopen _sopen _wsopen _sopen_s _wsopen_s _creat _wcreat
    remove _wremove _unlink _wunlink)

include(${CMAKE_CURRENT_LIST_DIR}/ModuleSymbols.cmake)

# The functions an object file or archive refers to, without the import prefix.
function(referenced out)
    execute_process(COMMAND ${NM} -u ${ARGN} OUTPUT_VARIABLE listing RESULT_VARIABLE code)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "${NM} failed on ${ARGN}")
    endif()
    string(REGEX MATCHALL " U [^\n]+" lines "${listing}")
    set(names "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^ U (__imp_)?" "" name "${line}")
        list(APPEND names ${name})
    endforeach()
    set(${out} ${names} PARENT_SCOPE)
endfunction()

file(STRINGS "${OBJECTS_LIST}" objects)
referenced(own ${objects})
names_among(refused own forbidden)
set(by_path_users "")
foreach(object IN LISTS objects)
    referenced(names ${object})
    if(opens_by_path IN_LIST names)
        list(APPEND by_path_users ${object})
        if(NOT object MATCHES "${opens_by_path_object}")
            list(APPEND refused "${opens_by_path} (in ${object})")
        endif()
    endif()
endforeach()
if(NOT by_path_users)
    message(FATAL_ERROR "No object refers to ${opens_by_path}: IPersistFile::Load lost its open")
endif()
if(refused)
    list(REMOVE_DUPLICATES refused)
    message(FATAL_ERROR "The system's own code refers to ${refused}")
endif()

module_symbols(${LIBRARY} exported imported listing)
list(LENGTH imported count)
if(count EQUAL 0)
    message(FATAL_ERROR "No imports found in ${LIBRARY}")
endif()
names_among(refused imported forbidden)
if(refused)
    message(FATAL_ERROR "${LIBRARY} imports ${refused}")
endif()
message(STATUS "${LIBRARY}: ${count} imports, no file function but ${opens_by_path}")
