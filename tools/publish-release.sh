#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Publishes the files tools/release.sh made as the project's release TAG on GitHub, with the
# GitHub CLI (Debian's gh, installed when missing; GH_TOKEN, or GITHUB_TOKEN, grants it): the
# installer, the zip and the debug zip of x64 and of ARM64, the Debian package and SHA256SUMS,
# after checking them
# against SHA256SUMS. With --dry-run it checks and says what it would publish, and publishes
# nothing.
# Usage: publish-release.sh [--dry-run] OUT_DIR TAG
set -euo pipefail
dry_run=""
if [[ ${1:-} == --dry-run ]]; then
    dry_run=yes
    shift
fi
if [[ $# -ne 2 ]]; then
    echo "usage: $0 [--dry-run] OUT_DIR TAG" >&2
    exit 2
fi
out=$(realpath "$1")
tag=$2
version=${tag#v}
files=("quillsift-$version-x64.msi" "quillsift-$version-win64.zip"
    "quillsift_${version}_amd64.deb" "quillsift-$version-x64-debug.zip"
    "quillsift-$version-arm64.msi" "quillsift-$version-arm64.zip"
    "quillsift-$version-arm64-debug.zip" SHA256SUMS)
for file in "${files[@]}"; do
    if [[ ! -f $out/$file ]]; then
        echo "$0: $out holds no $file: is $tag the version of project()?" >&2
        exit 1
    fi
done
(cd "$out" && sha256sum --quiet -c SHA256SUMS)
notes="Quillsift $version. Windows: download ${files[0]} (on a PC with an ARM processor,
${files[4]}), check it against SHA256SUMS (sha256sum -c SHA256SUMS, or Get-FileHash in
PowerShell), double-click it. Debian and Ubuntu: sudo apt install ./${files[2]}. ${files[3]}
and ${files[6]} hold the debug information of the Windows programs, for crash analysis."
if [[ -n $dry_run ]]; then
    echo "publish-release.sh: would publish $tag with: ${files[*]}"
    exit 0
fi
if ! command -v gh >/dev/null; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get update >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends gh git >&2
fi
export GH_TOKEN=${GH_TOKEN:-${GITHUB_TOKEN:-}}
(cd "$out" && gh release create "$tag" --title "Quillsift $version" --notes "$notes" \
    ${GITHUB_REPOSITORY:+--repo "$GITHUB_REPOSITORY"} "${files[@]}")
