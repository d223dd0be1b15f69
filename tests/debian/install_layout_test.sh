#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# `cmake --install BUILD --prefix PREFIX` of a native build: the files the Debian package holds
# below /usr, in the same places below any prefix, and the installed quillsift-dump finds the
# installed module by itself (not the build's) and prints a book's golden dump.
# Usage: install_layout_test.sh BUILD TESTDATA
set -uo pipefail
build=$1
testdata=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"
    rm -f "$prefix.log"
    echo "FAIL cmake --install"
    exit 1
fi
rm -f "$prefix.log"
arch=$(gcc -print-multiarch 2>/dev/null)
expected=$(printf '%s\n' bin/quillsift-dump bin/quillsift-recoll-setup \
    "lib/${arch:+$arch/}quillsift/libquillsift.so" "lib/${arch:+$arch/}quillsift/libquillsift_registry.so" \
    share/doc/quillsift/changelog.gz share/doc/quillsift/copyright \
    share/man/man1/quillsift-dump.1.gz share/man/man1/quillsift-recoll-setup.1.gz | sort)
found=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
if [[ $found == "$expected" ]]; then
    echo "ok   the layout below the prefix: $(echo "$found" | tr '\n' ' ')"
else
    echo "FAIL the layout below the prefix differs:"
    diff <(echo "$expected") <(echo "$found")
    failures=$((failures + 1))
fi
# Moved elsewhere after installing, the tree still finds its own module.
mv "$prefix" "$prefix.moved" && mkdir "$prefix"
trap 'rm -rf "$prefix" "$prefix.moved"' EXIT
library=$("$prefix.moved/bin/quillsift-dump" --help | sed -n 's/.*(default: \(.*\))$/\1/p')
if [[ $library == "$prefix.moved/lib/${arch:+$arch/}quillsift/libquillsift.so" ]] &&
    "$prefix.moved/bin/quillsift-dump" --json "$testdata/harbor-kf7.mobi" 2>/dev/null |
    cmp -s - "$testdata/golden/harbor-kf7.mobi.jsonl"; then
    echo "ok   the installed quillsift-dump loads $library and gives the golden dump"
else
    echo "FAIL the installed quillsift-dump loads '$library'"
    failures=$((failures + 1))
fi
[[ $failures -eq 0 ]]
