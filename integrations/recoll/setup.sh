#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# quillsift-recoll-setup from a clone: builds quillsift-dump in build-sample (as
# tools/run-sample.sh does; only what changed is rebuilt), then points Recoll at it.
# Usage: setup.sh [CONFDIR]. QUILLSIFT_DUMP names a quillsift-dump to use instead of building
# one.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [ -z "${QUILLSIFT_DUMP:-}" ]; then
    echo "setup.sh: building quillsift-dump in $repo/build-sample" >&2
    missing=""
    for tool in cmake ninja c++ pkg-config; do
        command -v "$tool" >/dev/null || missing=yes
    done
    if [ -n "$missing" ] || ! pkg-config --exists libmobi; then
        bash "$repo/.ci/install-deps" --build-only >&2
    fi
    # The same configuration as tools/run-sample.sh, so that the two share the build.
    cmake -S "$repo" -B "$repo/build-sample" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUILLSIFT_TESTS=OFF -DQUILLSIFT_BENCH=OFF >&2
    cmake --build "$repo/build-sample" --target quillsift-dump >&2
    export QUILLSIFT_DUMP="$repo/build-sample/tools/quillsift-dump"
fi
exec bash "$repo/integrations/recoll/quillsift-recoll-setup" "$@"
