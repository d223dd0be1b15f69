# SPDX-License-Identifier: LGPL-3.0-or-later
# What differs between the Windows builds of a mingw-w64 toolchain, by the processor it builds
# for: x86_64 (x64) or aarch64 (ARM64). Windows loads an in-process server into processes of
# its own architecture only, so each architecture has packages of its own.
#   QUILLSIFT_WINDOWS_ARCH   x64 or arm64: the installer's name, quillsift-VERSION-ARCH.msi
#   QUILLSIFT_ZIP_ARCH       the zip's name, quillsift-VERSION-ZIP_ARCH.zip (win64 for x64)
#   QUILLSIFT_MSI_PLATFORM   the installer's platform, in its summary's Template
#   QUILLSIFT_WINDOWS_PROCESSOR  the processors the packages are for, in their INSTALL.txt
#   QUILLSIFT_MINGW_HOST     the GNU triple that libmobi's configure is given (--host)
#   QUILLSIFT_WINE_RUNS_PROGRAMS  whether this machine's Wine runs the build's programs: Wine
#                            runs programs of its own processor; ARM64 programs built on x86_64
#                            run under emulation instead (tests/arm64/, the CI stage arm64)
# Both installers carry one UpgradeCode; the ProductCode of each version differs between them
# (QUILLSIFT_PRODUCT_CODE_NAME, from which it is derived), so that one replaces the other.

# quillsift_windows_arch(PROCESSOR OUT): x64 or arm64 for a processor's name, or nothing.
function(quillsift_windows_arch processor out)
    string(TOLOWER "${processor}" processor)
    set(arch "")
    if(processor MATCHES "^(x86_64|amd64|x64)$")
        set(arch x64)
    elseif(processor MATCHES "^(aarch64|arm64)$")
        set(arch arm64)
    endif()
    set(${out} ${arch} PARENT_SCOPE)
endfunction()

quillsift_windows_arch("${CMAKE_SYSTEM_PROCESSOR}" arch)
quillsift_windows_arch("${CMAKE_HOST_SYSTEM_PROCESSOR}" host_arch)
if(arch STREQUAL "x64")
    set(QUILLSIFT_WINDOWS_ARCH x64)
    set(QUILLSIFT_ZIP_ARCH win64)
    set(QUILLSIFT_MSI_PLATFORM x64)
    set(QUILLSIFT_WINDOWS_PROCESSOR "x64 (Intel or AMD)")
    set(QUILLSIFT_MINGW_HOST x86_64-w64-mingw32)
    # As before ARM64 had packages: the x64 ProductCode of a version stays what it was.
    set(QUILLSIFT_PRODUCT_CODE_NAME "Quillsift ${PROJECT_VERSION}")
elseif(arch STREQUAL "arm64")
    set(QUILLSIFT_WINDOWS_ARCH arm64)
    set(QUILLSIFT_ZIP_ARCH arm64)
    set(QUILLSIFT_MSI_PLATFORM Arm64)
    set(QUILLSIFT_WINDOWS_PROCESSOR "ARM64 (Snapdragon and other ARM)")
    set(QUILLSIFT_MINGW_HOST aarch64-w64-mingw32)
    set(QUILLSIFT_PRODUCT_CODE_NAME "Quillsift ${PROJECT_VERSION} arm64")
else()
    message(FATAL_ERROR "No Windows packages for the processor ${CMAKE_SYSTEM_PROCESSOR}: "
                        "x86_64 or aarch64")
endif()
if(arch STREQUAL host_arch)
    set(QUILLSIFT_WINE_RUNS_PROGRAMS ON)
else()
    set(QUILLSIFT_WINE_RUNS_PROGRAMS OFF)
endif()
