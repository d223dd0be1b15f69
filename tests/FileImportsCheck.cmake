cmake_minimum_required(VERSION 3.20)
# Checks that the DLL makes, opens or deletes no file of its own: no function for temporary
# files, for creating or opening files or for deleting them is imported for the system's code.
#   -DOBJDUMP, -DNM: the mingw-w64 tools; -DLIBRARY: the DLL; -DOBJECTS_LIST: a file naming the
#   system's object files, one a line; -DLIBMOBI: the libmobi archive linked into the DLL.
# Two steps. No object of the system refers to such a function at all. And the DLL imports
# none, but for those libmobi's archive refers to itself: a real libmobi brings fopen and fclose
# with mobi_load_filename, which shares its object with mobi_load_file and which the filter
# never calls (it loads from a stream). Those are listed, not refused.
set(forbidden
    GetTempPathA GetTempPathW GetTempPath2A GetTempPath2W GetTempFileNameA GetTempFileNameW
    CreateFileA CreateFileW CreateFile2 CreateFileTransactedA CreateFileTransactedW OpenFile
    _lcreat _lopen DeleteFileA DeleteFileW CopyFileA CopyFileW CopyFileExA CopyFileExW
    MoveFileA MoveFileW MoveFileExA MoveFileExW ReplaceFileA ReplaceFileW
    CreateDirectoryA CreateDirectoryW SHCreateStreamOnFileA SHCreateStreamOnFileW
    SHCreateStreamOnFileEx fopen _wfopen fopen_s _wfopen_s _fsopen _wfsopen freopen _wfreopen
    tmpfile tmpfile_s tmpnam _wtmpnam tmpnam_s _wtmpnam_s _tempnam _wtempnam _mktemp _wmktemp
    _mktemp_s _wmktemp_s _open _wopen _sopen _wsopen _sopen_s _wsopen_s _creat _wcreat
    remove _wremove _unlink _wunlink)

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
set(refused "")
foreach(name IN LISTS own)
    if(name IN_LIST forbidden)
        list(APPEND refused ${name})
    endif()
endforeach()
if(refused)
    list(REMOVE_DUPLICATES refused)
    message(FATAL_ERROR "The system's own code refers to ${refused}")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE code)
if(NOT code EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "\n\t[0-9a-f]+\t +[0-9]+ +[^\n]+" entries "${listing}")
list(LENGTH entries count)
if(count EQUAL 0)
    message(FATAL_ERROR "No imports found in ${LIBRARY}")
endif()
referenced(library_own ${LIBMOBI})
set(from_libmobi "")
foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^.*[ \t]" "" name "${entry}")
    if(name IN_LIST forbidden)
        if(name IN_LIST library_own)
            list(APPEND from_libmobi ${name})
        else()
            list(APPEND refused ${name})
        endif()
    endif()
endforeach()
if(refused)
    message(FATAL_ERROR "${LIBRARY} imports ${refused}, which neither the system nor libmobi "
                        "calls: a static runtime library brings them")
endif()
if(from_libmobi)
    message(STATUS "${LIBRARY} imports ${from_libmobi} for libmobi's own code "
                   "(mobi_load_filename), which the filter never calls")
endif()
message(STATUS "${LIBRARY}: ${count} imports, no file function of the system's own")
