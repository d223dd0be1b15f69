# SPDX-License-Identifier: LGPL-3.0-or-later
# Cross-compiles the system for Windows on ARM64 with the aarch64-w64-mingw32 toolchain that
# tools/build-arm64-toolchain.sh makes from Debian's clang, lld and LLVM and from Debian's
# sources of mingw-w64 (UCRT) and of LLVM's runtimes (a static libc++ on Windows' threads).
# It lives outside the repository: QUILLSIFT_ARM64_TOOLCHAIN names its folder, as for the script.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

if(DEFINED ENV{QUILLSIFT_ARM64_TOOLCHAIN} AND NOT "$ENV{QUILLSIFT_ARM64_TOOLCHAIN}" STREQUAL "")
    set(toolchain "$ENV{QUILLSIFT_ARM64_TOOLCHAIN}")
elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(toolchain "$ENV{XDG_CACHE_HOME}/quillsift/aarch64-w64-mingw32")
else()
    set(toolchain "$ENV{HOME}/.cache/quillsift/aarch64-w64-mingw32")
endif()
if(NOT EXISTS "${toolchain}/RECIPE")
    message(FATAL_ERROR "No aarch64-w64-mingw32 toolchain in ${toolchain}: "
                        "bash tools/build-arm64-toolchain.sh makes it")
endif()
set(prefix "${toolchain}/bin/aarch64-w64-mingw32-")
set(CMAKE_C_COMPILER ${prefix}clang)
set(CMAKE_CXX_COMPILER ${prefix}clang++)
set(CMAKE_RC_COMPILER ${prefix}windres)
set(CMAKE_AR ${prefix}ar)
set(CMAKE_RANLIB ${prefix}ranlib)
set(CMAKE_NM ${prefix}nm)
set(CMAKE_OBJCOPY ${prefix}objcopy)
set(CMAKE_OBJDUMP ${prefix}objdump)
set(CMAKE_STRIP ${prefix}strip)

set(CMAKE_FIND_ROOT_PATH "${toolchain}/aarch64-w64-mingw32")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# mingw-w64's own printf family, compiled into the module, in place of UCRT's (libmobi's build
# asks for the same, and libstdc++ for the x86_64 build): Debian's arm64 Wine, which tests the
# build, crashes when ARM64 code calls UCRT's printf family.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
# Nothing of the C++ runtime to ship beside the DLL: libc++, libunwind and compiler-rt's
# builtins are static libraries only.
# lld applies --wrap (the stdio wrapping, the module's fopen and fclose) after it has resolved
# the names: libmobi's call of fopen has already brought UCRT's fopen import into the link,
# and the import stays in the import table though nothing calls it any more (GNU ld renames the
# reference before it looks for it). --gc-sections keeps the imports that something calls.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")
