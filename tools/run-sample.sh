#!/usr/bin/env bash
# Installs the dependencies, builds the filter library and quillsift-dump, and dumps a book
# as an indexer would see it: the bundled sample unless other paths or options are given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/install-deps
cmake -S . -B build-sample -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLSIFT_TESTS=OFF -DQUILLSIFT_BENCH=OFF
cmake --build build-sample --target quillsift-dump
if [ $# -eq 0 ]; then
    set -- testdata/harbor-hybrid.mobi
fi
exec build-sample/tools/quillsift-dump "$@"
