#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# quillsift-dump --json against libmobi alone, as whole processes under /usr/bin/time -v,
# alternating round by round so that both see the same machine. A round runs each program ten
# times in a row under one /usr/bin/time (which counts CPU time in hundredths of a second):
# the CPU time of a run is a tenth of the round's, the peak the largest of the ten. Prints, per book, the medians of
# CPU time (user + system) and peak resident memory with their min-max, the ratio of the
# CPU times (median and min-max of the paired ratios), and the memory bound the dump must
# keep: libmobi's peak + 2 bytes for each character of the book's largest part + 8 MB.
# Usage: compare-dump-to-libmobi.sh BUILD_DIR [ROUNDS] BOOK...
set -euo pipefail
build=$1
shift
rounds=9
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
    rounds=$1
    shift
fi
dump=$build/tools/quillsift-dump
libmobi=$build/bench/libmobi-load
for tool in "$dump" "$libmobi"; do
    if [[ ! -x $tool ]]; then
        echo "compare-dump-to-libmobi: $tool is not built" >&2
        exit 1
    fi
done
if [[ $# -eq 0 ]]; then
    echo "usage: compare-dump-to-libmobi.sh BUILD_DIR [ROUNDS] BOOK..." >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One round: appends "CPU_SECONDS_PER_RUN PEAK_KB" to the file $1.
runs=10
measure() {
    local out=$1
    shift
    /usr/bin/time -v -o "$work/time" sh -c 'for i in $(seq '$runs'); do "$@" || exit 1; done' \
        sh "$@" >/dev/null 2>"$work/stderr" || {
        echo "compare-dump-to-libmobi: $* failed:" >&2
        cat "$work/stderr" >&2
        exit 1
    }
    awk -F': ' '/User time/ { user = $2 } /System time/ { sys = $2 }
                /Maximum resident set size/ { peak = $2 }
                END { printf "%.5f %d\n", (user + sys) / '$runs', peak }' "$work/time" >>"$out"
}

status=0
for book in "$@"; do
    if [[ ! -f $book ]]; then
        echo "compare-dump-to-libmobi: $book is missing" >&2
        exit 1
    fi
    : >"$work/dump" && : >"$work/libmobi"
    for ((i = 0; i < rounds; i++)); do
        measure "$work/dump" "$dump" --json -q "$book"
        measure "$work/libmobi" "$libmobi" "$book"
    done
    largest=$("$dump" --json -q "$book" | python3 -c '
import json, sys
largest = 0
for line in sys.stdin:
    chunk = json.loads(line)
    if chunk.get("kind") == "text":
        largest = max(largest, len(chunk["text"].encode("utf-16-le")) // 2)
print(largest)')
    python3 - "$book" "$work/dump" "$work/libmobi" "$largest" <<'PY' || status=1
import statistics, sys
book, dump_file, libmobi_file, largest = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
def load(path):
    return [tuple(float(v) for v in line.split()) for line in open(path)]
dump, libmobi = load(dump_file), load(libmobi_file)
def spread(values, unit, scale=1.0):
    values = [v * scale for v in values]
    return "%.1f %s (%.1f-%.1f)" % (statistics.median(values), unit, min(values), max(values))
ratios = [d[0] / l[0] for d, l in zip(dump, libmobi) if l[0] > 0]
dump_peak = statistics.median(d[1] for d in dump) / 1024
libmobi_peak = statistics.median(l[1] for l in libmobi) / 1024
bound = libmobi_peak + 2 * largest / 1048576 + 8
print(book)
print("  CPU   dump %s, libmobi %s" % (spread([d[0] for d in dump], "ms", 1000),
                                        spread([l[0] for l in libmobi], "ms", 1000)))
print("  ratio %.2f (%.2f-%.2f), target <= 1.00" % (statistics.median(ratios), min(ratios),
                                                     max(ratios)))
print("  peak  dump %s, libmobi %s" % (spread([d[1] for d in dump], "MB", 1 / 1024),
                                       spread([l[1] for l in libmobi], "MB", 1 / 1024)))
print("  bound libmobi + 2 x %d characters + 8 MB = %.1f MB: %s" %
      (largest, bound, "kept" if dump_peak <= bound else "EXCEEDED"))
sys.exit(0 if dump_peak <= bound else 1)
PY
done
exit $status
