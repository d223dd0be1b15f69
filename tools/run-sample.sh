#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Installs the dependencies, builds the filter library and quillsift-dump, and dumps a book
# as an indexer would see it: the bundled sample unless other paths or options are given.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# Installing and building report on stderr, so that stdout carries the dump alone.
bash "$repo/.ci/install-deps" --build-only >&2
cmake -S "$repo" -B "$repo/build-sample" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLSIFT_TESTS=OFF -DQUILLSIFT_BENCH=OFF >&2
cmake --build "$repo/build-sample" --target quillsift-dump >&2
if [ $# -eq 0 ]; then
    set -- "$repo/testdata/harbor-hybrid.mobi"
fi
exec "$repo/build-sample/tools/quillsift-dump" "$@"
