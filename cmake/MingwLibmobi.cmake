# libmobi for a mingw-w64 build. The package registry has no Windows libmobi: a static one
# built elsewhere is taken from LIBMOBI_ROOT (include/mobi.h, lib/libmobi.a). It must be
# static: the stream adapter serves libmobi's fread, fseek and ftell only within one link.
#
# Without LIBMOBI_ROOT the DLL is linked against a stand-in for libmobi
# (tests/mingw/LibmobiStandIn.c), under another name, quillsift-libmobi-standin.dll: it proves
# that the system links as a Windows DLL, and its import table and exports are checked, but it
# is never shipped: it parses no book. The sources compile against the host's mobi.h then,
# copied alone into the build tree so that no other Linux header is on the include path.
set(LIBMOBI_ROOT "" CACHE PATH "A Windows build of libmobi, static (include/, lib/libmobi.a)")

add_library(quillsift_libmobi INTERFACE)
if(LIBMOBI_ROOT)
    find_library(LIBMOBI_ARCHIVE NAMES libmobi.a PATHS "${LIBMOBI_ROOT}/lib"
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT LIBMOBI_ARCHIVE)
        message(FATAL_ERROR "No static libmobi (lib/libmobi.a) in ${LIBMOBI_ROOT}: a libmobi "
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
    target_include_directories(quillsift_libmobi INTERFACE "${LIBMOBI_ROOT}/include")
    target_link_libraries(quillsift_libmobi INTERFACE "${archive}")
    set(QUILLSIFT_LIBMOBI_STANDIN OFF)
    set(QUILLSIFT_LIBMOBI_ARCHIVE "${archive}")
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiStdio.cmake)
    quillsift_libmobi_stdio(quillsift_libmobi "${archive}")
else()
    find_file(LIBMOBI_HOST_HEADER mobi.h PATHS /usr/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(include_dir "${CMAKE_BINARY_DIR}/libmobi-header")
    configure_file("${LIBMOBI_HOST_HEADER}" "${include_dir}/mobi.h" COPYONLY)
    target_include_directories(quillsift_libmobi INTERFACE "${include_dir}")

    # Built and linked as a Windows libmobi.a would be, its export directives removed after
    # each build.
    add_library(libmobi_standin STATIC ${PROJECT_SOURCE_DIR}/tests/mingw/LibmobiStandIn.c)
    target_include_directories(libmobi_standin PRIVATE "${include_dir}")
    set_target_properties(libmobi_standin PROPERTIES OUTPUT_NAME mobi-standin)
    add_custom_command(TARGET libmobi_standin POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --remove-section=.drectve $<TARGET_FILE:libmobi_standin>)
    target_link_libraries(quillsift_libmobi INTERFACE libmobi_standin)
    set(QUILLSIFT_LIBMOBI_STANDIN ON)
    set(QUILLSIFT_LIBMOBI_ARCHIVE $<TARGET_FILE:libmobi_standin>)
    include(${CMAKE_CURRENT_LIST_DIR}/LibmobiStdio.cmake)
    quillsift_libmobi_stdio(quillsift_libmobi)
    message(STATUS "No LIBMOBI_ROOT: quillsift-libmobi-standin.dll is linked against a "
                   "stand-in for libmobi, for the checks only")
endif()
