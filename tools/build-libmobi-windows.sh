#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Builds libmobi for 64-bit Windows, x64 or ARM64: the static library that quillsift.dll links,
# with libmobi's bundled miniz and its own XML writer (--without-zlib --without-libxml2), so the
# DLL needs nothing beside it. autoconf, automake and libtool make its build files.
# Usage: build-libmobi-windows.sh SOURCE PREFIX [HOST]
#   SOURCE: a libmobi source tree or release tarball (.tar.gz); copied, never changed.
#   PREFIX: receives include/mobi.h, lib/libmobi.a and share/libmobi/SOURCE.txt (the version and
#           the source it was built from, for the release package's license notice).
#   HOST: the toolchain's triple (default x86_64-w64-mingw32; aarch64-w64-mingw32 for ARM64).
# CC names the compiler (default HOST-gcc-posix); the toolchain's other tools (HOST-ar,
# HOST-ranlib) are looked for beside it first.
set -euo pipefail
if [[ $# -lt 2 || $# -gt 3 ]]; then
    echo "usage: $0 SOURCE PREFIX [HOST]" >&2
    exit 2
fi
source_path=$(realpath "$1")
prefix=$(realpath -m "$2")
host=${3:-x86_64-w64-mingw32}
cc=${CC:-$host-gcc-posix}
for tool in autoreconf libtoolize "$cc"; do
    if ! command -v "$tool" >/dev/null; then
        echo "$0: $tool is missing (bash .ci/install-deps installs it)" >&2
        exit 1
    fi
done

if [[ ! -e $source_path ]]; then
    echo "$0: no libmobi source at $1" >&2
    exit 1
fi
# A scratch copy: autogen.sh and configure write into the tree they run in.
work="$prefix.work"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
if [[ -d $source_path ]]; then
    cp -a "$source_path/." "$work/"
    # A tree has no one file to hash: the hash of its files' hashes, in path order.
    tree_hash=$(cd "$source_path" && find . -type f ! -path './.git/*' -print0 | LC_ALL=C sort -z |
        xargs -0 sha256sum | sha256sum | cut -d' ' -f1)
    origin="the source tree $source_path (sha256 of its files $tree_hash)"
elif [[ -f $source_path ]]; then
    tar -xzf "$source_path" -C "$work" --strip-components=1
    origin="$(basename "$source_path") (sha256 $(sha256sum "$source_path" | cut -d' ' -f1))"
else
    echo "$0: $1 is neither a folder nor a tarball" >&2
    exit 1
fi
if [[ ! -f $work/src/mobi.h || ! ( -f $work/configure.ac || -f $work/configure ) ]]; then
    echo "$0: $1 is not a libmobi source (no configure.ac or configure, src/mobi.h)" >&2
    exit 1
fi

cd "$work"
# A release tarball may come with its configure script; a tree or a tag's archive makes it.
if [[ ! -x configure ]]; then
    ./autogen.sh >autogen.log 2>&1 || { cat autogen.log >&2; exit 1; }
fi
PATH="$(dirname "$(command -v "$cc")"):$PATH"
./configure --host="$host" CC="$cc" --prefix="$prefix" \
    --enable-static --disable-shared --without-zlib --without-libxml2 >configure.log 2>&1 ||
    { tail -30 configure.log >&2; exit 1; }
make -C src -j "${LIBMOBI_JOBS:-2}" >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }
make -C src install >>make.log 2>&1 || { tail -30 make.log >&2; exit 1; }

version=$(sed -n 's/^#define PACKAGE_VERSION "\(.*\)"$/\1/p' config.h)
mkdir -p "$prefix/share/libmobi"
cp COPYING "$prefix/share/libmobi/COPYING"
printf 'version %s\nbuilt from %s\n' "$version" "$origin" >"$prefix/share/libmobi/SOURCE.txt"
echo "libmobi $version for Windows ($host), built from $origin: $prefix/lib/libmobi.a"
