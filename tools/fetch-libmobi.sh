#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Gets libmobi's source at its tag v0.11, the release Quillsift is built and tested against,
# and checks what the tag names, since a tag can be moved: the commit's src/ tree and its
# configure.ac, by their git object ids, must be those of that release. Writes
# DEST_DIR/libmobi-0.11.tar.gz (the tag's tree, as `git archive` makes it), says which commit
# the tag names, and prints the tarball's path last.
# Usage: fetch-libmobi.sh DEST_DIR [REPOSITORY]
#   REPOSITORY: where to clone from (default libmobi's own, on GitHub); any git URL or folder.
set -euo pipefail
if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 DEST_DIR [REPOSITORY]" >&2
    exit 2
fi
dest=$(realpath -m "$1")
repository=${2:-https://github.com/bfabiszewski/libmobi.git}
tag=v0.11
# The git object ids of the release's src/ tree and configure.ac.
src_tree=0e0b68d35bc4165dfd9dc30739c8040ce6675c30
configure_blob=40629c4ac8869a13f59a17dabd48c86a26e09d20

if ! command -v git >/dev/null; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get update >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends git \
        ca-certificates >&2
fi
mkdir -p "$dest"
clone="$dest/libmobi-$tag"
rm -rf "$clone"
git -c advice.detachedHead=false clone --quiet --depth 1 --branch "$tag" "$repository" "$clone" >&2
commit=$(git -C "$clone" rev-parse HEAD)
found_src=$(git -C "$clone" rev-parse HEAD:src)
found_configure=$(git -C "$clone" rev-parse HEAD:configure.ac)
if [[ $found_src != "$src_tree" || $found_configure != "$configure_blob" ]]; then
    echo "$0: the tag $tag of $repository names commit $commit, whose src/ ($found_src) or" \
        "configure.ac ($found_configure) is not libmobi 0.11's ($src_tree, $configure_blob)" >&2
    exit 1
fi
tarball="$dest/libmobi-0.11.tar.gz"
git -C "$clone" archive --format=tar.gz --prefix=libmobi-0.11/ -o "$tarball" HEAD
rm -rf "$clone"
echo "libmobi $tag: commit $commit, its src/ tree $src_tree as 0.11's" >&2
echo "$tarball"
