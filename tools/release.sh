#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Makes a release, from a clean tree, in OUT_DIR:
#   quillsift-VERSION-x64.msi, quillsift-VERSION-win64.zip   the Windows installer and zip
#   quillsift-VERSION-x64-debug.zip                          their programs' debug information
#   quillsift-VERSION-arm64.msi, quillsift-VERSION-arm64.zip the same for Windows on ARM64
#   quillsift-VERSION-arm64-debug.zip
#   quillsift_VERSION_amd64.deb                              the Debian package
#   SHA256SUMS                                               sha256sum's lines for all of them
# and prints each file with its size and SHA-256. VERSION is project()'s in CMakeLists.txt.
# Every file is built and checked by the scripts a developer runs: tools/build-deb.sh (lintian
# included), and tools/build-windows.sh for each Windows architecture, with the Wine tests of
# the DLL and of the installer against the Debian build's quillsift-dump (x64: ARM64 programs do
# not run under this machine's Wine; the CI stage arm64 tests them under emulation).
# With QUILLSIFT_SIGN_PFX naming a PKCS#12 file (its password in QUILLSIFT_SIGN_PASSWORD, an
# RFC 3161 timestamp server in QUILLSIFT_SIGN_TIMESTAMP_URL if any), quillsift.dll and
# quillsift-host.exe are signed before they go into the zip and the installer, and the
# installer itself after; without it nothing is signed, and one line says so. A CI's secret may
# give the key as base64 text instead, in QUILLSIFT_SIGN_PFX_BASE64.
# Usage: release.sh LIBMOBI_SOURCE OUT_DIR [BUILD_DIR] [CMAKE_OPTION...]
#   LIBMOBI_SOURCE: libmobi's source, a release tarball (.tar.gz) or a source tree.
#   BUILD_DIR: the folder of the builds (default build-release in the repository).
#   CMAKE_OPTION: more options for every build, e.g. -DQUILLSIFT_HOMEPAGE=URL.
set -euo pipefail
if [[ $# -lt 2 ]]; then
    echo "usage: $0 LIBMOBI_SOURCE OUT_DIR [BUILD_DIR] [CMAKE_OPTION...]" >&2
    exit 2
fi
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [[ ! -e $1 ]]; then
    echo "$0: no libmobi source at $1" >&2
    exit 1
fi
libmobi=$(realpath "$1")
out=$(realpath -m "$2")
builds=$(realpath -m "${3:-$repo/build-release}")
shift $(($# < 3 ? $# : 3))
version=$(sed -n 's/^project(Quillsift VERSION \([0-9.]*\) .*/\1/p' "$repo/CMakeLists.txt")
if [[ -z $version ]]; then
    echo "$0: no version in project() of $repo/CMakeLists.txt" >&2
    exit 1
fi
started=$SECONDS

# Signing, set for every Windows build (an empty key turns it off in a build that had one).
if [[ -z ${QUILLSIFT_SIGN_PFX:-} && -n ${QUILLSIFT_SIGN_PFX_BASE64:-} ]]; then
    key_folder=$(mktemp -d)
    trap 'rm -rf "$key_folder"' EXIT
    (umask 077 && base64 -d <<<"$QUILLSIFT_SIGN_PFX_BASE64" >"$key_folder/key.pfx")
    export QUILLSIFT_SIGN_PFX="$key_folder/key.pfx"
fi
if [[ -n ${QUILLSIFT_SIGN_PFX:-} ]]; then
    if [[ ! -r $QUILLSIFT_SIGN_PFX ]]; then
        echo "$0: QUILLSIFT_SIGN_PFX names no readable file: $QUILLSIFT_SIGN_PFX" >&2
        exit 1
    fi
    signing=(-DQUILLSIFT_SIGN_PFX="$(realpath "$QUILLSIFT_SIGN_PFX")"
        -DQUILLSIFT_SIGN_TIMESTAMP_URL="${QUILLSIFT_SIGN_TIMESTAMP_URL:-}")
    echo "release.sh: signing with $QUILLSIFT_SIGN_PFX${QUILLSIFT_SIGN_TIMESTAMP_URL:+, timestamped by $QUILLSIFT_SIGN_TIMESTAMP_URL}"
else
    signing=(-DQUILLSIFT_SIGN_PFX= -DQUILLSIFT_SIGN_TIMESTAMP_URL=)
    echo "release.sh: QUILLSIFT_SIGN_PFX is not set: the Windows files are not signed"
fi

# Everything the builds and their tests need, at once (each build script installs its own part).
bash "$repo/.ci/install-deps" --release

mkdir -p "$out"
rm -f "$out"/quillsift-"$version"-* "$out"/quillsift_"$version"_* "$out/SHA256SUMS"

# The Debian package; its quillsift-dump is what the Windows tests compare with.
deb=$(bash "$repo/tools/build-deb.sh" "$builds/deb" "$@")
cp "$deb" "$out/"
native_dump="$builds/deb/tools/quillsift-dump"

# One architecture's Windows files: built, checked and packaged by build-windows.sh in a build
# folder of their own, then the installer, the zip and the debug zip copied out.
windows_release() { # ARCH, CMAKE_OPTION...
    local arch=$1 build="$builds/windows-$1"
    shift
    bash "$repo/tools/build-windows.sh" --arch "$arch" "$libmobi" "$build" \
        -DQUILLSIFT_NATIVE_DUMP="$native_dump" "${signing[@]}" "$@"
    cp "$build/quillsift-$version-$arch.msi" "$build"/quillsift-"$version"-*.zip "$out/"
}
windows_release x64 "$@"
windows_release arm64 "$@"

(cd "$out" && sha256sum quillsift-"$version"-* quillsift_"$version"_* >SHA256SUMS)
echo "release $version in $out ($((SECONDS - started)) s):"
(cd "$out" && for file in *; do
    printf '  %-40s %10s bytes  %s\n' "$file" "$(stat -c %s "$file")" \
        "$(sha256sum "$file" | cut -d' ' -f1)"
done)
