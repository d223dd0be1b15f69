#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Runs quillsift-dump under valgrind's memcheck over every test book, the pipeline fuzzer's
# seeds (the reproducers of libmobi's faults among them) and the damaged files the tests make
# from the test books (tests/damaged/): the filter's chunks (--json), the
# property store (--properties) and the cover (--cover). Fails on any error memcheck reports:
# a decision or an output made from bytes that nothing wrote, a read or a write out of bounds.
# AddressSanitizer sees none of the first kind, and Debian's libmobi.a is not instrumented.
# Usage: memcheck-dumps.sh BUILD_DIR [BOOK...]
set -euo pipefail
if [[ $# -lt 1 ]]; then
    echo "usage: $0 BUILD_DIR [BOOK...]" >&2
    exit 2
fi
repo="$(cd "$(dirname "$0")/../.." && pwd)"
dump="$(realpath "$1")/tools/quillsift-dump"
shift
books=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [[ ${#books[@]} -eq 0 ]]; then
    python3 "$repo/tests/damaged/damaged_books.py" make "$repo/tests/damaged/damaged-books.tsv" \
        "$repo/testdata" "$scratch/damaged" >/dev/null
    mapfile -t books < <(find "$repo/testdata" "$repo/fuzz/corpus/pipeline" "$scratch/damaged" \
        -type f \( -iname '*.mobi' -o -iname '*.azw' -o -iname '*.azw3' -o -iname '*.prc' \) |
        sort)
fi

memcheck_code=99
failed=0
# memcheck(what, tool arguments...): the tool's own exit code (1 for a book that does not load,
# or has no cover) is not judged; memcheck's is.
memcheck() {
    local what=$1
    shift
    local code=0
    valgrind -q --error-exitcode=$memcheck_code --leak-check=no --track-origins=yes \
        --log-file="$scratch/log" "$dump" "$@" >/dev/null 2>&1 || code=$?
    if [[ $code -eq $memcheck_code ]]; then
        echo "memcheck: errors in quillsift-dump $what:"
        cat "$scratch/log"
        failed=1
    fi
}

memcheck "--json (${#books[@]} books)" --json -q "${books[@]}"
for book in "${books[@]}"; do
    memcheck "--properties $book" --properties "$book"
    memcheck "--cover $book" --cover "$scratch/cover" "$book"
done
if [[ $failed -ne 0 ]]; then
    exit 1
fi
echo "memcheck: no error in ${#books[@]} books (--json, --properties, --cover)"
