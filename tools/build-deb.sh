#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Builds the Debian package quillsift_VERSION_ARCH.deb: installs what that needs (Debian),
# builds the module and quillsift-dump without the tests, has CPack make the package of what
# `cmake --install` puts under /usr (package/debian/), and checks it with lintian, which must
# report no error. Prints the package's path last.
# Usage: build-deb.sh [BUILD_DIR] [CMAKE_OPTION...]
#   BUILD_DIR: the build folder (default build-deb in the repository).
#   CMAKE_OPTION: more options for the configuration, e.g. -DQUILLSIFT_HOMEPAGE=URL.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build=$(realpath -m "${1:-$repo/build-deb}")
shift $(($# < 1 ? $# : 1))

bash "$repo/.ci/install-deps" --deb >&2
# RelWithDebInfo, as the tests' build: the compiler cache serves both. CPack strips the files.
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLSIFT_TESTS=OFF \
    -DQUILLSIFT_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr "$@" >&2
cmake --build "$build" -j "$(nproc)" >&2
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
package="$build/quillsift_${version}_$(dpkg --print-architecture).deb"
rm -f "$package"
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
[[ -f $package ]] || { echo "$0: CPack made no $package" >&2; exit 1; }
# Root is how CI runs it; lintian says so on every run, which is no finding.
status=0
lintian --fail-on error "$package" >"$build/lintian.txt" 2>&1 || status=$?
grep -v '^running with root privileges' "$build/lintian.txt" >&2 || true
if [[ $status -ne 0 ]]; then
    echo "$0: lintian reports an error in $package (exit $status)" >&2
    exit 1
fi
echo "lintian: no error" >&2
echo "$package"
