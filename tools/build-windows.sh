#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Builds quillsift.dll for 64-bit Windows from libmobi's source, checks it and makes the release
# packages: installs what that needs (Debian), builds libmobi for Windows, the DLL with
# mingw-w64 and its installer quillsift-VERSION-x64.msi with wixl, runs the build's checks, and
# writes quillsift-VERSION-win64.zip.
# Usage: build-windows.sh LIBMOBI_SOURCE [BUILD_DIR] [CMAKE_OPTION...]
#   LIBMOBI_SOURCE: libmobi's source, a release tarball (.tar.gz) or a source tree.
#   BUILD_DIR: the build folder (default build-win in the repository).
#   CMAKE_OPTION: more options for the configuration, e.g. -DQUILLSIFT_NATIVE_DUMP=PATH to run
#   the Wine tests of the DLL and of the installer as well.
set -euo pipefail
if [[ $# -lt 1 ]]; then
    echo "usage: $0 LIBMOBI_SOURCE [BUILD_DIR] [CMAKE_OPTION...]" >&2
    exit 2
fi
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [[ ! -e $1 ]]; then
    echo "$0: no libmobi source at $1" >&2
    exit 1
fi
source_path=$(realpath "$1")
build=$(realpath -m "${2:-$repo/build-win}")
shift $(($# < 2 ? $# : 2))

bash "$repo/.ci/install-deps" --windows
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DLIBMOBI_SOURCE="$source_path" "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure
cmake --build "$build" --target package
for package in "$build"/quillsift-*-win64.zip; do
    echo "$package:"
    cmake -E tar tvf "$package"
done
for package in "$build"/quillsift-*-x64.msi; do
    [[ -e $package ]] || continue
    echo "$package ($(stat -c %s "$package") bytes), its files and their sizes:"
    msiinfo export "$package" File | tr -d '\r' | tail -n +4 | cut -f3,4
done
echo "libmobi for Windows: $(tr '\n' ' ' <"$build/libmobi-win64/share/libmobi/SOURCE.txt")"
