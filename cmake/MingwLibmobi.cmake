# libmobi for a mingw-w64 build. The package registry has no Windows libmobi: one built
# elsewhere is taken from LIBMOBI_ROOT (include/mobi.h, lib/libmobi.a or lib/libmobi.dll.a).
# Without it the sources still compile against the host's mobi.h, copied alone into the
# build tree so that no other Linux header is on the include path, and the build stops at
# the objects (target quillsift_objects).
set(LIBMOBI_ROOT "" CACHE PATH "A Windows build of libmobi (include/, lib/)")

add_library(PkgConfig::LIBMOBI INTERFACE IMPORTED GLOBAL)
if(LIBMOBI_ROOT)
    find_library(LIBMOBI_LIBRARY NAMES mobi libmobi PATHS "${LIBMOBI_ROOT}/lib"
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(library "${LIBMOBI_LIBRARY}")
    if(library MATCHES "\\.a$" AND NOT library MATCHES "\\.dll\\.a$")
        # mobi.h marks every function dllexport under mingw-w64, so a static libmobi would add
        # its functions to the DLL's exports. The copy linked has those directives removed.
        set(library "${CMAKE_BINARY_DIR}/libmobi-static/libmobi.a")
        file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/libmobi-static")
        execute_process(
            COMMAND ${CMAKE_OBJCOPY} --remove-section=.drectve "${LIBMOBI_LIBRARY}" "${library}"
            RESULT_VARIABLE copied)
        if(NOT copied EQUAL 0)
            message(FATAL_ERROR "Cannot copy ${LIBMOBI_LIBRARY} without its export directives")
        endif()
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${LIBMOBI_LIBRARY}")
    endif()
    set_target_properties(PkgConfig::LIBMOBI PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${LIBMOBI_ROOT}/include"
        INTERFACE_LINK_LIBRARIES "${library}")
    set(QUILLSIFT_OBJECTS_ONLY OFF)
else()
    find_file(LIBMOBI_HOST_HEADER mobi.h PATHS /usr/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(include_dir "${CMAKE_BINARY_DIR}/libmobi-header")
    configure_file("${LIBMOBI_HOST_HEADER}" "${include_dir}/mobi.h" COPYONLY)
    set_target_properties(PkgConfig::LIBMOBI PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${include_dir}")
    set(QUILLSIFT_OBJECTS_ONLY ON)
    message(STATUS "No LIBMOBI_ROOT: build the target quillsift_objects only")
endif()
