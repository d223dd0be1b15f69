#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Makes quillsift-dump Recoll's handler for Kindle books. Usage: setup.sh [CONFDIR]
# CONFDIR defaults to Recoll's own choice: $RECOLL_CONFDIR, else ~/.recoll. The script builds
# quillsift-dump (as tools/run-sample.sh does) unless it is built and knows --html, then adds
# to CONFDIR/mimemap the book extensions and to CONFDIR/mimeconf the [index] line that runs
# it. Every other line of those files is kept; a second run changes nothing.
# QUILLSIFT_DUMP names a quillsift-dump to use instead of building one.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mime="application/x-mobipocket-ebook"
extensions=".mobi .azw .azw3 .prc"

if [ $# -gt 1 ]; then
    echo "usage: setup.sh [CONFDIR]" >&2
    exit 2
fi
confdir="${1:-${RECOLL_CONFDIR:-$HOME/.recoll}}"

# A file that is no book gives exit 1 and nothing on stdout, which Recoll relies on, and --html
# without a book is a usage error (2). A tool from before --html gives 2 for both.
knows_html() {
    [ -x "$1" ] || return 1
    local out status=0
    out="$("$1" --html /dev/null 2>/dev/null)" || status=$?
    [ "$status" -eq 1 ] && [ -z "$out" ] || return 1
    status=0
    "$1" --html >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ]
}

build_dump() {
    echo "setup.sh: building quillsift-dump in $repo/build-sample" >&2
    local tool missing=""
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
}

if [ -n "${QUILLSIFT_DUMP:-}" ]; then
    dump="$QUILLSIFT_DUMP"
    case "$dump" in
    */*) ;;
    *) dump="$(command -v "$dump" || echo "$dump")" ;;
    esac
else
    dump="$repo/build-sample/tools/quillsift-dump"
    if ! knows_html "$dump"; then
        build_dump
    fi
fi
if ! knows_html "$dump"; then
    echo "setup.sh: $dump is not a quillsift-dump that knows --html" >&2
    exit 1
fi
dump="$(cd "$(dirname "$dump")" && pwd)/$(basename "$dump")"
# Recoll splits the command at blanks and honours double quotes, nothing else.
case "$dump" in
*[\"\\]* | *$'\n'*)
    echo "setup.sh: Recoll cannot run a command whose path holds a quote or a backslash: $dump" >&2
    exit 1
    ;;
esac

# The awk program that rewrites a file. MODE map: the keys live in the top-level section, and
# missing ones go just before the first section. MODE conf: the keys live in every [index]
# section, and a missing one goes into an [index] section appended at the end (Recoll merges
# repeated sections, and the last definition of a key wins). A definition whose value differs
# is replaced in place, with its continuation lines; all else is copied as it is.
read -r -d '' rewrite <<'AWK' || true
function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t\r]+$/, "", s); return s }
BEGIN {
    count = split(keys, order, " ")
    for (i = 1; i <= count; i++) wanted[tolower(order[i])] = 1
    comment = "# Kindle books, read by Quillsift (added by its integrations/recoll/setup.sh)"
}
{ line[NR] = $0 }
END {
    section = ""; firstSection = 0; continues = 0; dropping = 0
    for (i = 1; i <= NR; i++) {
        text = line[i]
        if (continues) {
            drop[i] = dropping
            continues = text ~ /\\[ \t\r]*$/
            continue
        }
        dropping = 0
        if (text ~ /^[ \t]*#/) continue
        continues = text ~ /\\[ \t\r]*$/
        if (text ~ /^[ \t]*\[.*\][ \t\r]*$/) {
            section = trim(text); sub(/^\[/, "", section); sub(/\]$/, "", section)
            section = trim(section)
            if (!firstSection) firstSection = i
            continue
        }
        inScope = mode == "map" ? !firstSection : section == "index"
        eq = index(text, "=")
        if (!inScope || eq == 0) continue
        key = tolower(trim(substr(text, 1, eq - 1)))
        if (!(key in wanted)) continue
        found[key] = 1
        if (continues || trim(substr(text, eq + 1)) != value) {
            line[i] = key " = " value
            dropping = continues
        }
    }
    missing = ""
    for (i = 1; i <= count; i++)
        if (!(tolower(order[i]) in found)) missing = missing tolower(order[i]) " = " value "\n"
    insertAt = mode == "map" && firstSection ? firstSection : NR + 1
    for (i = 1; i <= NR + 1; i++) {
        if (i == insertAt && missing != "") {
            if (i > 1 && trim(line[i - 1]) != "") print ""
            print comment
            if (mode == "conf") print "[index]"
            printf "%s", missing
            if (i <= NR) print ""
        }
        if (i <= NR && !drop[i]) print line[i]
    }
}
AWK

# Rewrites CONFDIR/FILE; the file is written only when its content changes.
edit() {
    local file="$confdir/$1" current=/dev/null
    [ -e "$file" ] && current="$file"
    awk -v mode="$2" -v keys="$3" -v value="$4" "$rewrite" "$current" >"$scratch"
    if cmp -s "$scratch" "$current"; then
        echo "setup.sh: $file already set"
    else
        cat "$scratch" >"$file"
        echo "setup.sh: $file updated"
    fi
}

mkdir -p "$confdir"
scratch="$(mktemp)"
trap 'rm -f "$scratch"' EXIT
trap 'exit 1' HUP INT TERM
edit mimemap map "$extensions" "$mime"
edit mimeconf conf "$mime" "exec \"$dump\" --html"

if [ "$confdir" = "$HOME/.recoll" ] && [ -z "${RECOLL_CONFDIR:-}" ]; then
    echo "setup.sh: now run recollindex, then recollq 'some words'"
else
    echo "setup.sh: now run recollindex -c '$confdir', then recollq -c '$confdir' 'some words'"
fi
