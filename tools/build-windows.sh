#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Builds quillsift.dll for 64-bit Windows, x64 or ARM64, from libmobi's source, checks it and
# makes the release packages: installs what that needs (Debian), builds libmobi for Windows, the
# DLL (x64: mingw-w64's gcc; ARM64: clang with the toolchain tools/build-arm64-toolchain.sh
# makes) and its installer quillsift-VERSION-ARCH.msi with wixl, runs the build's checks, and
# writes the zip: quillsift-VERSION-win64.zip for x64, quillsift-VERSION-arm64.zip for ARM64.
# Usage: build-windows.sh [--arch x64|arm64] LIBMOBI_SOURCE [BUILD_DIR] [CMAKE_OPTION...]
#   --arch: the Windows architecture (default x64).
#   LIBMOBI_SOURCE: libmobi's source, a release tarball (.tar.gz) or a source tree.
#   BUILD_DIR: the build folder (default build-win, build-win-arm64 for ARM64, in the
#   repository).
#   CMAKE_OPTION: more options for the configuration, e.g. -DQUILLSIFT_NATIVE_DUMP=PATH to run
#   the Wine tests of the DLL and of the installer as well (x64: ARM64 programs run under
#   emulation, in the CI stage arm64).
set -euo pipefail
arch=x64
if [[ ${1:-} == --arch ]]; then
    arch=${2:-}
    shift 2 || true
fi
if [[ $# -lt 1 || ! $arch =~ ^(x64|arm64)$ ]]; then
    echo "usage: $0 [--arch x64|arm64] LIBMOBI_SOURCE [BUILD_DIR] [CMAKE_OPTION...]" >&2
    exit 2
fi
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [[ ! -e $1 ]]; then
    echo "$0: no libmobi source at $1" >&2
    exit 1
fi
source_path=$(realpath "$1")
default_build=$repo/build-win
[[ $arch == arm64 ]] && default_build=$repo/build-win-arm64
build=$(realpath -m "${2:-$default_build}")
shift $(($# < 2 ? $# : 2))

if [[ $arch == arm64 ]]; then
    # Built once into its cache folder, where the toolchain file finds it.
    QUILLSIFT_ARM64_TOOLCHAIN=$(bash "$repo/tools/build-arm64-toolchain.sh")
    export QUILLSIFT_ARM64_TOOLCHAIN
    toolchain=$repo/cmake/aarch64-mingw-toolchain.cmake
else
    bash "$repo/.ci/install-deps" --windows
    toolchain=$repo/cmake/mingw-toolchain.cmake
fi
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DLIBMOBI_SOURCE="$source_path" "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure
cmake --build "$build" --target package
zip_arch=win64
[[ $arch == arm64 ]] && zip_arch=arm64
for package in "$build"/quillsift-*-$zip_arch.zip; do
    echo "$package:"
    cmake -E tar tvf "$package"
done
for package in "$build"/quillsift-*-$arch.msi; do
    [[ -e $package ]] || continue
    echo "$package ($(stat -c %s "$package") bytes), its files and their sizes:"
    msiinfo export "$package" File | tr -d '\r' | tail -n +4 | cut -f3,4
done
echo "libmobi for Windows ($arch): $(tr '\n' ' ' <"$build/libmobi-win64/share/libmobi/SOURCE.txt")"
