#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Rewrites the golden dumps of every test book (testdata/golden/) from a build's quillsift-dump:
# BOOK.jsonl (--json) and BOOK.html.golden (--html); for the large books, whose dumps are too
# large to keep, the SHA-256 of each instead. DumpToolCheck.cmake compares against them. Review
# the difference (git diff testdata/golden) before committing it.
#   bash tests/make-goldens.sh [BUILD_DIR]        (default: build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
dump="${1:-$repo/build}/tools/quillsift-dump"
[ -x "$dump" ] || { echo "no quillsift-dump at $dump" >&2; exit 2; }
# The books are dumped from testdata/: a build folder named from here must still be found.
dump="$(realpath "$dump")"
cd "$repo/testdata"
for book in *.mobi *.azw *.azw3 *.prc markup/*.mobi markup/*.azw3; do
    golden="golden/$book"
    mkdir -p "$(dirname "$golden")"
    case "$book" in
    ledger-large-*)
        "$dump" --json "$book" 2>/dev/null | sha256sum | cut -d' ' -f1 >"$golden.jsonl.sha256"
        "$dump" --html "$book" | sha256sum | cut -d' ' -f1 >"$golden.html.sha256"
        ;;
    *)
        "$dump" --json "$book" >"$golden.jsonl" 2>/dev/null
        "$dump" --html "$book" >"$golden.html.golden"
        ;;
    esac
done
