#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The Debian package as a user installs it, as root (CI runs as root; elsewhere through sudo):
# apt-get installs it with its dependencies; /usr/bin/quillsift-dump finds its module in the
# package's own folder and prints the golden dumps of the test books; quillsift-recoll-setup,
# then recollindex and recollq, with a temporary HOME, find a book by a phrase of its text;
# man finds the manual page; apt-get purge leaves none of the package's files. The package is
# purged at the end whatever happened.
# Usage: package_test.sh DEB TESTDATA
# Exits 0 when every check passes, 1 when one fails, 77 (skipped) where it cannot run: no root
# and no sudo without a password, or a quillsift package installed already (not this test's to
# remove).
set -uo pipefail
if [[ $# -ne 2 ]]; then
    echo "usage: package_test.sh DEB TESTDATA" >&2
    exit 2
fi
deb=$(realpath "$1")
testdata=$(realpath "$2")
as_root=()
if [[ $(id -u) -ne 0 ]]; then
    if ! sudo -n true 2>/dev/null; then
        echo "SKIP: installing a package needs root, or sudo without a password"
        exit 77
    fi
    as_root=(sudo -n)
fi
if dpkg-query -W -f='${Status}' quillsift 2>/dev/null | grep -q "installed"; then
    echo "SKIP: a quillsift package is installed already; this test installs and purges its own"
    exit 77
fi

failures=0
pass() { echo "ok   $*"; }
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
tmp=$(mktemp -d)
purge() {
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y quillsift >"$tmp/purge.out" 2>&1
}
cleanup() {
    dpkg-query -W -f='${Status}' quillsift 2>/dev/null | grep -q "installed" && purge
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# What the package holds, as dpkg-deb reads it: its files, without the folders.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort >"$tmp/files.txt"

start=$(date +%s%N)
if "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "$deb" >"$tmp/install.out" 2>&1; then
    pass "apt-get install $(basename "$deb"): $(($(($(date +%s%N) - start)) / 1000000)) ms"
else
    fail "apt-get install $(basename "$deb"):"
    tail -n 20 "$tmp/install.out"
    exit 1
fi

# The layout: the programs, the module in its own folder, the pages, the notice.
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)
for file in /usr/bin/quillsift-dump /usr/bin/quillsift-recoll-setup \
    "/usr/lib/$arch/quillsift/libquillsift.so" "/usr/lib/$arch/quillsift/libquillsift_registry.so" \
    /usr/share/man/man1/quillsift-dump.1.gz /usr/share/man/man1/quillsift-recoll-setup.1.gz \
    /usr/share/doc/quillsift/copyright /usr/share/doc/quillsift/changelog.gz; do
    grep -qxF "$file" "$tmp/files.txt" && [[ -f $file ]] && pass "installed: $file" ||
        fail "not installed: $file"
done
grep -q "^Files: usr/lib/\*/quillsift/libquillsift.so" /usr/share/doc/quillsift/copyright &&
    grep -q "Bartek Fabiszewski" /usr/share/doc/quillsift/copyright &&
    pass "the copyright file carries libmobi's notice" || fail "no libmobi notice in the copyright file"

# The installed tool finds its module by itself, and prints the golden dumps.
default=$(/usr/bin/quillsift-dump --help | sed -n 's/.*--library PATH.*(default: \(.*\))$/\1/p')
[[ $default == "/usr/lib/$arch/quillsift/libquillsift.so" ]] &&
    pass "quillsift-dump's default module: $default" || fail "quillsift-dump's default module: '$default'"
goldens=0
for golden in "$testdata"/golden/*.jsonl "$testdata"/golden/markup/*.jsonl; do
    book=${golden#"$testdata/golden/"}
    book=${book%.jsonl}
    if /usr/bin/quillsift-dump --json "$testdata/$book" 2>/dev/null | cmp -s - "$golden"; then
        goldens=$((goldens + 1))
    else
        fail "/usr/bin/quillsift-dump --json $book differs from its golden dump"
    fi
done
[[ $goldens -gt 10 ]] && pass "/usr/bin/quillsift-dump gives the golden dumps of $goldens books"

# Recoll, set up by the installed script for a user of its own.
if command -v recollindex >/dev/null && command -v recollq >/dev/null; then
    export HOME="$tmp/home"
    unset RECOLL_CONFDIR QUILLSIFT_DUMP DISPLAY
    mkdir -p "$HOME/Books"
    cp "$testdata/duet-kf8.azw" "$testdata/harbor-kf7.mobi" "$testdata/markup/lexique-kf8.azw3" \
        "$HOME/Books/"
    quillsift-recoll-setup >"$tmp/setup.out" 2>&1 || fail "quillsift-recoll-setup: $(cat "$tmp/setup.out")"
    grep -qxF 'application/x-mobipocket-ebook = exec "/usr/bin/quillsift-dump" --html' \
        "$HOME/.recoll/mimeconf" && pass "quillsift-recoll-setup points Recoll at /usr/bin/quillsift-dump" ||
        fail "mimeconf: $(cat "$HOME/.recoll/mimeconf")"
    printf 'topdirs = %s\nnoaspell = 1\n' "$HOME/Books" >>"$HOME/.recoll/recoll.conf"
    LC_ALL=C.UTF-8 recollindex >"$tmp/index.out" 2>&1 || fail "recollindex: $(tail -n 5 "$tmp/index.out")"
    found=$(LC_ALL=C.UTF-8 recollq -b '"Nuon nubraqu bralo"' 2>/dev/null | sed 's|.*/||' | tr '\n' ' ')
    [[ $found == "duet-kf8.azw " ]] && pass "recollq finds the book by a phrase of its text: $found" ||
        fail "recollq '\"Nuon nubraqu bralo\"' found '$found'"
    found=$(LC_ALL=C.UTF-8 recollq -b 'keywords:Semantics' 2>/dev/null | sed 's|.*/||' | tr '\n' ' ')
    [[ $found == "lexique-kf8.azw3 " ]] && pass "recollq finds the book by a subject: $found" ||
        fail "recollq keywords:Semantics found '$found'"
else
    fail "recollindex and recollq (recollcmd) are missing: bash .ci/install-deps installs them"
fi

page=$(man -w quillsift-dump 2>&1)
[[ $page == /usr/share/man/man1/quillsift-dump.1.gz ]] && pass "man -w quillsift-dump: $page" ||
    fail "man -w quillsift-dump: $page"
man -w quillsift-recoll-setup >/dev/null 2>&1 && pass "man -w quillsift-recoll-setup" ||
    fail "man -w quillsift-recoll-setup finds no page"

# Purged, nothing of the package is left: none of its files, nor its module's folder.
start=$(date +%s%N)
if purge; then
    pass "apt-get purge quillsift: $(($(($(date +%s%N) - start)) / 1000000)) ms"
else
    fail "apt-get purge quillsift: $(tail -n 5 "$tmp/purge.out")"
fi
left=$(while read -r file; do [[ -e $file ]] && echo "$file"; done <"$tmp/files.txt")
[[ -z $left ]] && pass "purged: none of the package's $(wc -l <"$tmp/files.txt") files is left" ||
    fail "purged: files left: $left"
[[ ! -e /usr/lib/$arch/quillsift && ! -e /usr/share/doc/quillsift ]] &&
    pass "purged: no folder of the package is left" || fail "purged: a folder of the package is left"
dpkg-query -W -f='${Status}' quillsift 2>/dev/null | grep -q "installed" &&
    fail "dpkg still knows quillsift" || pass "dpkg knows no quillsift any more"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every package check passed"
