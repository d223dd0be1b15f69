# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi for a mingw-w64 build. The package registry has no Windows libmobi. Either the build
# makes one from libmobi's source (LIBMOBI_SOURCE: a source tree or release tarball, built at
# configure time by tools/build-libmobi-windows.sh into the build folder), or a static one built
# elsewhere is taken from LIBMOBI_ROOT (include/mobi.h, lib/libmobi.a). It must be static: the
# stream adapter serves libmobi's fread, fseek and ftell only within one link.
#
# With neither, the DLL is linked against a stand-in for libmobi
# (tests/mingw/LibmobiStandIn.c), under another name, quillsift-libmobi-standin.dll: it proves
# that the system links as a Windows DLL, and its import table and exports are checked, but it
# is never shipped: it parses no book. The sources compile against the host's mobi.h then,
# copied alone into the build tree so that no other Linux header is on the include path.
set(LIBMOBI_ROOT "" CACHE PATH "A Windows build of libmobi, static (include/, lib/libmobi.a)")
set(LIBMOBI_SOURCE "" CACHE FILEPATH
    "libmobi's source (a tree or a .tar.gz) to build the static Windows libmobi from")

if(LIBMOBI_SOURCE AND LIBMOBI_ROOT)
    message(WARNING "Both LIBMOBI_SOURCE and LIBMOBI_ROOT are set: the libmobi of LIBMOBI_ROOT "
                    "is linked, the source is not built")
endif()
if(LIBMOBI_SOURCE AND NOT LIBMOBI_ROOT)
    get_filename_component(source "${LIBMOBI_SOURCE}" ABSOLUTE)
    set(built "${CMAKE_BINARY_DIR}/libmobi-win64")
    # Built once per source: the stamp names the source it was built from.
    set(stamp "${built}/share/libmobi/BUILT-FROM")
    set(built_from "")
    if(EXISTS "${stamp}" AND EXISTS "${built}/lib/libmobi.a")
        file(READ "${stamp}" built_from)
    endif()
    if(NOT built_from STREQUAL source)
        message(STATUS "Building libmobi for Windows from ${source}")
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env CC=${CMAKE_C_COMPILER}
                    bash ${PROJECT_SOURCE_DIR}/tools/build-libmobi-windows.sh "${source}" "${built}"
                    ${QUILLSIFT_MINGW_HOST}
            RESULT_VARIABLE code)
        if(NOT code EQUAL 0)
            message(FATAL_ERROR "Cannot build libmobi for Windows from ${source}")
        endif()
        file(WRITE "${stamp}" "${source}")
    endif()
    # The source's SHA-256, as the build recorded it for the package.
    file(STRINGS "${built}/share/libmobi/SOURCE.txt" recorded)
    list(JOIN recorded ", " recorded)
    message(STATUS "libmobi for Windows: ${recorded}")
    set(libmobi_root "${built}")
else()
    set(libmobi_root "${LIBMOBI_ROOT}")
endif()
# The release package (package/) reads what libmobi's build recorded there.
set(QUILLSIFT_LIBMOBI_ROOT "${libmobi_root}")

add_library(quillsift_libmobi INTERFACE)
if(libmobi_root)
    find_library(LIBMOBI_ARCHIVE NAMES libmobi.a PATHS "${libmobi_root}/lib"
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT LIBMOBI_ARCHIVE)
        message(FATAL_ERROR "No static libmobi (lib/libmobi.a) in ${libmobi_root}: a libmobi "
                            "DLL would read its FILE beyond the reach of the stream adapter")
    endif()
    # mobi.h marks every function dllexport under mingw-w64, so a static libmobi would add
    # its functions to the DLL's exports. The copy linked has those directives removed.
    set(archive "${CMAKE_BINARY_DIR}/libmobi-static/libmobi.a")
    file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/libmobi-static")
    execute_process(
        COMMAND ${CMAKE_OBJCOPY} --remove-section=.drectve "${LIBMOBI_ARCHIVE}" "${archive}"
        RESULT_VARIABLE copied)
    if(NOT copied EQUAL 0)
        message(FATAL_ERROR "Cannot copy ${LIBMOBI_ARCHIVE} without its export directives")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${LIBMOBI_ARCHIVE}")
    target_include_directories(quillsift_libmobi INTERFACE "${libmobi_root}/include")
    target_link_libraries(quillsift_libmobi INTERFACE "${archive}")
    set(QUILLSIFT_LIBMOBI_STANDIN OFF)
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiStdio.cmake)
    quillsift_libmobi_stdio(quillsift_libmobi "${archive}")
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiDecompression.cmake)
    quillsift_libmobi_decompression(quillsift_libmobi "${archive}")
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiAllocation.cmake)
    quillsift_libmobi_allocation(quillsift_libmobi "${archive}")
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiInternals.cmake)
    quillsift_check_libmobi_internals("${archive}")
else()
    find_file(LIBMOBI_HOST_HEADER mobi.h PATHS /usr/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(include_dir "${CMAKE_BINARY_DIR}/libmobi-header")
    configure_file("${LIBMOBI_HOST_HEADER}" "${include_dir}/mobi.h" COPYONLY)
    target_include_directories(quillsift_libmobi INTERFACE "${include_dir}")

    # The stand-in is a library of tests/mingw/.
    target_link_libraries(quillsift_libmobi INTERFACE libmobi_standin)
    set(QUILLSIFT_LIBMOBI_STANDIN ON)
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiStdio.cmake)
    quillsift_libmobi_stdio(quillsift_libmobi)
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiDecompression.cmake)
    quillsift_libmobi_decompression(quillsift_libmobi)
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiAllocation.cmake)
    quillsift_libmobi_allocation(quillsift_libmobi)
    message(STATUS "No LIBMOBI_SOURCE or LIBMOBI_ROOT: quillsift-libmobi-standin.dll is linked against a "
                   "stand-in for libmobi, for the checks only")
endif()
