#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Fails each allocation of a whole quillsift-dump process in turn, for every N, as a host's
# memory limit would, and sorts what every run gave against the run without a failure:
#   bash bench/allocation-sweep.sh BUILD [TOOL] [--every K]
# BUILD is a native build folder (its fail_nth_allocation.so and make_huffcdic_book); TOOL is
# the quillsift-dump to run, BUILD's own by default (another build's, to compare). --every K
# runs every Kth N only. The books: the hybrid, a Huffman/CDIC copy of the KF7 book and the KF8
# book with a cover; each with --json and --properties. A run is
#   whole     the clean run's output and exit code;
#   said so   a non-zero exit, and "out of memory" on stderr;
#   refused   the filter library refused by the loader, in the loader's words (the failure
#             fell in its dlopen);
#   crashed   killed by a signal (a crash, or an abort on an uncaught exception);
#   silent    exit code 0 with other output, nothing said;
#   wrong     a non-zero exit whose words are not "out of memory".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: allocation-sweep.sh BUILD [TOOL] [--every K]}
shift
tool=$build/tools/quillsift-dump
every=1
while [[ $# -gt 0 ]]; do
    case $1 in
    --every) every=$2; shift 2 ;;
    *) tool=$1; shift ;;
    esac
done
preload=$(realpath "$build/bench/libfail_nth_allocation.so")
for file in "$preload" "$tool" "$build/bench/make_huffcdic_book"; do
    [[ -e $file ]] || { echo "allocation-sweep: missing $file" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_huffcdic_book" testdata/harbor-kf7.mobi "$work/harbor-huffcdic.mobi"
books=(testdata/harbor-hybrid.mobi "$work/harbor-huffcdic.mobi" testdata/covers/lantern-kf8.azw3)

# One run with allocation N failing (0: none): prints the class of its outcome.
run_once() {
    local n=$1 mode=$2 book=$3 clean=$4 out err code
    out=$(mktemp -p "$work") err=$(mktemp -p "$work")
    code=0
    # In a subshell of its own, so that no shell announces a run killed by a signal.
    (QUILLSIFT_FAIL_ALLOCATION=$n LD_PRELOAD=$preload exec "$tool" $mode "$book" >"$out" \
        2>"$err") 2>/dev/null || code=$?
    if ((code >= 128)); then
        echo crashed
    elif [[ $code == "$(<"$clean.code")" ]] && cmp -s "$out" "$clean.out"; then
        echo whole
    elif ((code != 0)) && grep -q "out of memory" "$err"; then
        echo "said so"
    elif ((code == 3)) && grep -q "the loader refused it" "$err"; then
        echo refused
    elif ((code == 0)); then
        echo silent
    else
        echo wrong
    fi
    rm -f "$out" "$err"
}
export -f run_once
export tool preload work

format='%-22s %-13s %6s %7s %7s %7s %7s %7s %7s\n'
# shellcheck disable=SC2059
printf "$format" book mode runs whole "said so" refused crashed silent wrong
declare -A total
for book in "${books[@]}"; do
    for mode in --json --properties; do
        clean="$work/clean"
        code=0
        QUILLSIFT_ALLOCATION_COUNT="$clean.count" LD_PRELOAD=$preload "$tool" $mode "$book" \
            >"$clean.out" 2>/dev/null || code=$?
        echo "$code" >"$clean.code"
        count=$(<"$clean.count")
        results=$(seq "$every" "$every" "$count" |
            xargs -P "$(nproc)" -I{} bash -c "run_once {} '$mode' '$book' '$clean'" | sort |
            uniq -c)
        runs=$(((count) / every))
        row=()
        for class in whole "said so" refused crashed silent wrong; do
            n=$(awk -v class="$class" '{ c = $1; $1 = ""; sub(/^ /, ""); if ($0 == class) print c }' \
                <<<"$results")
            row+=("${n:-0}")
            total[$class]=$((${total[$class]:-0} + ${n:-0}))
        done
        total[runs]=$((${total[runs]:-0} + runs))
        # shellcheck disable=SC2059
        printf "$format" "$(basename "$book")" "$mode" "$runs" "${row[@]}"
    done
done
# shellcheck disable=SC2059
printf "$format" all "" "${total[runs]}" "${total[whole]}" "${total[said so]}" \
    "${total[refused]}" "${total[crashed]}" "${total[silent]}" "${total[wrong]}"
