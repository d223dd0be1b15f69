# SPDX-License-Identifier: LGPL-3.0-or-later
# What the Wine tests need, for the winelib build (tests/wine/) and for the real
# DLL of a mingw-w64 build (tests/mingw/): the native quillsift-dump to compare with, the
# program that reads the registered module's resources, and the test itself.
set(QUILLSIFT_NATIVE_DUMP "" CACHE FILEPATH
    "quillsift-dump of a native build, whose --json output the Windows host must match")

# The program that reads the registered module's resources, built beside the including folder.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/resources ${CMAKE_CURRENT_BINARY_DIR}/module-resources)

# quillsift_wine_integration_test(NAME DLL_DIR [MINGW_BUILD]): wine_integration_test.sh on the
# quillsift.dll in DLL_DIR, driven by this build's quillsift-host. The DLL's resources must
# carry the project's version.
function(quillsift_wine_integration_test name dll_dir)
    add_test(NAME ${name}
        COMMAND bash ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/wine_integration_test.sh
                ${dll_dir} $<TARGET_FILE:quillsift-host>
                ${QUILLSIFT_NATIVE_DUMP} ${PROJECT_SOURCE_DIR}/testdata ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900 ENVIRONMENT
        "QUILLSIFT_RESOURCES_CHECK=$<TARGET_FILE:module_resources_check>;QUILLSIFT_VERSION=${PROJECT_VERSION}")
endfunction()

# quillsift_wine_preview_test(NAME DLL_DIR): preview_test.sh on the quillsift.dll in DLL_DIR, on
# a virtual X server, its pictures read back with tesseract and Pillow.
function(quillsift_wine_preview_test name dll_dir)
    add_test(NAME ${name}
        COMMAND bash ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/preview_test.sh
                ${dll_dir} $<TARGET_FILE:quillsift-host>
                ${QUILLSIFT_NATIVE_DUMP} ${PROJECT_SOURCE_DIR}/testdata)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endfunction()
