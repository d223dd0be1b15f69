# SPDX-License-Identifier: LGPL-3.0-or-later
# libmobi for the native and the winelib builds: the host's static library (Debian's
# libmobi-dev ships libmobi.a), with the libraries it needs itself (zlib, libxml2) linked
# dynamically. The target quillsift_libmobi carries everything a link of libmobi needs.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBMOBI REQUIRED libmobi)
find_library(LIBMOBI_ARCHIVE NAMES libmobi.a
             HINTS ${LIBMOBI_STATIC_LIBRARY_DIRS} ${LIBMOBI_LIBDIR} REQUIRED)

add_library(quillsift_libmobi INTERFACE)
target_include_directories(quillsift_libmobi INTERFACE ${LIBMOBI_STATIC_INCLUDE_DIRS})
target_link_libraries(quillsift_libmobi INTERFACE "${LIBMOBI_ARCHIVE}")
foreach(name IN LISTS LIBMOBI_STATIC_LIBRARIES)
    if(NOT name STREQUAL "mobi")
        # By full path: winegcc would look for a Windows import library under a bare -l name.
        find_library(LIBMOBI_NEEDS_${name} NAMES ${name}
                     HINTS ${LIBMOBI_STATIC_LIBRARY_DIRS} ${LIBMOBI_LIBDIR} REQUIRED)
        target_link_libraries(quillsift_libmobi INTERFACE "${LIBMOBI_NEEDS_${name}}")
    endif()
endforeach()
# libmobi's symbols stay inside whatever links it (the winelib module has no version script).
target_link_options(quillsift_libmobi INTERFACE "LINKER:--exclude-libs,libmobi.a")

include(${CMAKE_CURRENT_LIST_DIR}/LibmobiStdio.cmake)
quillsift_libmobi_stdio(quillsift_libmobi "${LIBMOBI_ARCHIVE}")
include(${CMAKE_CURRENT_LIST_DIR}/LibmobiDecompression.cmake)
quillsift_libmobi_decompression(quillsift_libmobi "${LIBMOBI_ARCHIVE}")
include(${CMAKE_CURRENT_LIST_DIR}/LibmobiAllocation.cmake)
quillsift_libmobi_allocation(quillsift_libmobi "${LIBMOBI_ARCHIVE}")
include(${CMAKE_CURRENT_LIST_DIR}/LibmobiInternals.cmake)
quillsift_check_libmobi_internals("${LIBMOBI_ARCHIVE}")
