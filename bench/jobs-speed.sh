#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# quillsift-dump --jobs 2 against --jobs 1 over one folder of books, as whole processes,
# alternating round by round: the books per second of each and, per round, the ratio of the
# two (median and min-max). The folder holds copies of the test books: COPIES of each small
# one and LARGE of each large one.
# Usage: jobs-speed.sh BUILD_DIR [ROUNDS] [COPIES] [LARGE]
set -euo pipefail
build=$1
rounds=${2:-9}
copies=${3:-10}
large=${4:-3}
dump=$build/tools/quillsift-dump
testdata=$(cd "$(dirname "$0")/../testdata" && pwd)
if [[ ! -x $dump ]]; then
    echo "jobs-speed: $dump is not built" >&2
    exit 1
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
books=0
for book in "$testdata"/*.mobi "$testdata"/*.azw "$testdata"/*.azw3; do
    name=$(basename "$book")
    count=$copies
    [[ $name == ledger-large-* ]] && count=$large
    for ((i = 0; i < count; i++)); do
        cp "$book" "$folder/$i-$name"
        books=$((books + 1))
    done
done

seconds() { # jobs: wall-clock seconds of one dump of the folder
    local start end
    start=$(date +%s%N)
    "$dump" --json -q --jobs "$1" "$folder" >/dev/null
    end=$(date +%s%N)
    echo "$(((end - start) / 1000))e-6"
}
results=()
for ((r = 0; r < rounds; r++)); do
    one=$(seconds 1)
    two=$(seconds 2)
    results+=("$one $two")
done
printf '%s\n' "${results[@]}" | python3 -c '
import statistics, sys
books = int(sys.argv[1])
rounds = [tuple(float(v) for v in line.split()) for line in sys.stdin if line.strip()]
one = [books / r[0] for r in rounds]
two = [books / r[1] for r in rounds]
ratios = [t / o for o, t in zip(one, two)]
def spread(values):
    return "%.1f (%.1f-%.1f)" % (statistics.median(values), min(values), max(values))
print("%d books, %d rounds" % (books, len(rounds)))
print("  --jobs 1: %s books/s" % spread(one))
print("  --jobs 2: %s books/s" % spread(two))
print("  ratio %.2f (%.2f-%.2f), target >= 1.7" % (statistics.median(ratios), min(ratios), max(ratios)))
' "$books"
