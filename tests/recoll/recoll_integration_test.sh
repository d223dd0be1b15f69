#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Indexes a folder of Kindle books with the real recollindex, through the configuration that
# integrations/recoll/setup.sh writes and `DUMP_TOOL --html BOOK`, and checks what recollq
# finds. Usage:
#   recoll_integration_test.sh DUMP_TOOL TESTDATA
# Exits 0 when every check passes, 1 when one fails, 77 (skipped) without recollcmd.
set -uo pipefail
if [ $# -ne 2 ]; then
    echo "usage: recoll_integration_test.sh DUMP_TOOL TESTDATA" >&2
    exit 2
fi
dump="$(realpath "$1")"
testdata="$(realpath "$2")"
setup_script="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../integrations/recoll" && pwd)/setup.sh"
if ! command -v recollindex >/dev/null || ! command -v recollq >/dev/null; then
    echo "SKIP: recollindex and recollq (Debian's recollcmd) are not installed"
    exit 77
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' HUP INT TERM
# Recoll keeps state under $HOME (.config/Recoll.org) even with -c: keep it in here too.
export HOME="$tmp/home"
unset RECOLL_CONFDIR DISPLAY
# recollq reads the query in the locale's charset; indexing runs in the C locale, as from cron,
# since the handler's output declares its own.
export LC_ALL=C.UTF-8
conf="$tmp/conf"
books="$tmp/books"
mkdir -p "$HOME" "$conf" "$books"

failures=0
check() { # NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        echo "     expected: $2"
        echo "     actual:   $3"
        failures=$((failures + 1))
    fi
}

# Names of the books a query finds, sorted, on one line.
found() {
    recollq -c "$conf" -b "$1" 2>/dev/null | sed 's|.*/||' | sort | tr '\n' ' ' | sed 's/ $//'
}

index() {
    LC_ALL=C recollindex -c "$conf" >"$tmp/index.out" 2>"$tmp/index.err"
}

# A field Recoll stored for the one book a query finds.
stored() { # FIELD QUERY
    recollq -c "$conf" -F "$1" "$2" 2>/dev/null | tail -n 1 | tr -d " \n" | base64 -d
}

# A field of the one book a query finds, as recollq -m prints it: the document's own abstract,
# which -F and -A replace with snippets built around the query's words.
meta() { # FIELD QUERY
    recollq -c "$conf" -m "$2" 2>/dev/null | sed -n "s/^$1 = //p"
}

# A field of Recoll's status file after indexing, e.g. fileerrors.
status_field() {
    sed -n "s/^$1 = //p" "$conf/idxstatus.txt"
}

# The books: the test books; an encrypted copy (encryption type, the big-endian 16-bit field
# at offset 12 of record 0, set to 2: Mobipocket DRM); a copy whose title and author, patched
# in place to strings of the same length, hold markup characters; a truncated one that does
# not load.
for book in harbor-kf7.mobi harbor-kf8.azw3 harbor-hybrid.mobi harbor-noauthor-kf7.mobi \
    duet-kf8.azw markup/lexique-kf7.mobi markup/lexique-kf8.azw3 markup/kaze-kf8.azw3; do
    cp "$testdata/$book" "$books/"
done
cp "$testdata/harbor-kf7.mobi" "$books/swap.prc"
cp "$testdata/harbor-kf7.mobi" "$books/locked-kf7.mobi"
cp "$testdata/harbor-kf7.mobi" "$books/markup-kf7.mobi"
chmod u+w "$books"/*
markup_title='A <b>Tale</b> & "Q"'
markup_author='"Mo" <&> Ali'
T="$markup_title" A="$markup_author" perl -0777 -pi -e \
    's/\QThe Harbor Lanterns\E/$ENV{T}/g; s/\QMira Tolvane\E/$ENV{A}/g' "$books/markup-kf7.mobi"
record0="$(od -An -tu1 -j78 -N4 "$books/locked-kf7.mobi" |
    awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }')"
printf '\000\002' | dd of="$books/locked-kf7.mobi" bs=1 seek=$((record0 + 12)) conv=notrunc \
    status=none
check "the title and author of the markup copy are patched" "title author" \
    "$(grep -q -a -F "$markup_title" "$books/markup-kf7.mobi" && echo -n title) $(
        grep -q -a -F "$markup_author" "$books/markup-kf7.mobi" && echo -n author)"
size="$(stat -c %s "$testdata/harbor-kf8.azw3")"
head -c $((size / 3)) "$testdata/harbor-kf8.azw3" >"$books/truncated-kf8.azw3"

# The handler's side of a failed book, which Recoll does not show: nothing on stdout and one
# line on stderr, exit 1.
"$dump" --html "$books/truncated-kf8.azw3" >"$tmp/fail.out" 2>"$tmp/fail.err"
check "a book that does not load: exit 1" 1 "$?"
check "a book that does not load: nothing on stdout" 0 "$(wc -c <"$tmp/fail.out")"
check "a book that does not load: one line on stderr" 1 "$(wc -l <"$tmp/fail.err")"
# An encrypted book gives its title and author, and an empty body.
"$dump" --html "$books/locked-kf7.mobi" >"$tmp/locked.out" 2>"$tmp/locked.err"
check "an encrypted book: exit 0" 0 "$?"
check "an encrypted book: nothing on stderr" 0 "$(wc -c <"$tmp/locked.err")"
check "an encrypted book: title, author and an empty body" \
    "<title>The Harbor Lanterns</title>|<meta name=\"author\" content=\"Mira Tolvane\">|</head>|<body>|</body>|</html>" \
    "$(tail -n 6 "$tmp/locked.out" | tr '\n' '|' | sed 's/|$//')"

# A user's mimeconf with an [index] section of its own: setup.sh adds to it.
printf '[index]\ntext/x-quillsift-other = internal text/plain\n[icons]\n%s = book\n' \
    application/x-mobipocket-ebook >"$conf/mimeconf"
if ! QUILLSIFT_DUMP="$dump" bash "$setup_script" "$conf" >"$tmp/setup.out" 2>&1; then
    cat "$tmp/setup.out"
    check "setup.sh configures Recoll" 0 1
    exit 1
fi
# No limit on the handler's address space: a sanitizer build reserves terabytes of it.
cat >"$conf/recoll.conf" <<EOF
topdirs = $books
logfilename = $tmp/recollindex.log
loglevel = 3
noaspell = 1
filtermaxmbytes = 0
EOF

start=$(date +%s%N)
index
check "recollindex exits 0 with a book that does not load" 0 "$?"
# Recoll passes the handlers' stderr on: only the failed book speaks.
check "one line on recollindex's stderr" 1 "$(wc -l <"$tmp/index.err")"
check "that line names the failed book" 1 "$(grep -c truncated-kf8.azw3 "$tmp/index.err")"
check "the failed book is counted as a file error" 1 "$(status_field fileerrors)"

harbor_text="harbor-hybrid.mobi harbor-kf7.mobi harbor-kf8.azw3 harbor-noauthor-kf7.mobi markup-kf7.mobi swap.prc"
# Each row: check name, query, the books it must find.
while IFS='|' read -r name query expected; do
    check "$name" "$expected" "$(found "$query")"
done <<EOF
a phrase of one book finds only it|"Nuon nubraqu bralo"|duet-kf8.azw
a phrase across a paragraph break|"pel gorqu Re braqutin"|$harbor_text
non-ASCII body text (UTF-8 declared)|ćma|duet-kf8.azw $harbor_text
CJK body text|日本語|duet-kf8.azw $harbor_text
title: with a phrase|title:"Harbor Lanterns"|harbor-hybrid.mobi harbor-kf7.mobi harbor-kf8.azw3 harbor-noauthor-kf7.mobi locked-kf7.mobi swap.prc
title: with non-ASCII|title:über|duet-kf8.azw
author:|author:Tolvane|harbor-hybrid.mobi harbor-kf7.mobi harbor-kf8.azw3 locked-kf7.mobi swap.prc
author: the second of two authors|author:"Piet Vos"|duet-kf8.azw
the failed book is kept by its file name|filename:truncated-kf8.azw3|truncated-kf8.azw3
the failed book has no title|title:"Harbor Lanterns" filename:truncated-kf8.azw3|
the encrypted book has no text|"pel gorqu Re braqutin" filename:locked-kf7.mobi|
keywords: one of three subjects|keywords:Semantics|lexique-kf7.mobi lexique-kf8.azw3
keywords: a subject of two words|keywords:"Marais salants"|lexique-kf7.mobi lexique-kf8.azw3
keywords: a Japanese subject|keywords:言語学|kaze-kf8.azw3
a word only the description holds|quillwort|lexique-kf7.mobi lexique-kf8.azw3
the description is not a keyword|keywords:quillwort|
author: with accents, searched without|author:eloise|lexique-kf7.mobi lexique-kf8.azw3
a French phrase with accents|"grand-mère était paludière"|lexique-kf7.mobi lexique-kf8.azw3
Japanese body text without spaces|漁師|kaze-kf8.azw3
EOF
description='Un lexique des mots du marais, tenu par une paludière de la Grève : le sel, l’eau, les plantes, de la salicorne à la quillwort. Préface de l’auteure.'
check "the description is the book's abstract, on one line" "$description" \
    "$(meta abstract filename:lexique-kf8.azw3)"
check "the subjects are stored as the keywords" "Semantics; Marais salants; Botanique côtière" \
    "$(meta keywords filename:lexique-kf7.mobi)"
# The publication date is not the document's date: Recoll keeps the file's.
check "the book's date is the file's, not its publication date" \
    "$(meta fmtime filename:lexique-kf8.azw3)|" \
    "$(meta mtime filename:lexique-kf8.azw3)|$(meta dmtime filename:lexique-kf8.azw3)"
check "a title with markup characters is stored as it is" "$markup_title" \
    "$(stored title filename:markup-kf7.mobi)"
check "an author with markup characters is stored as it is" "$markup_author" \
    "$(stored author filename:markup-kf7.mobi)"

# Replace one book with another, and the broken one with a whole book. Recoll compares size
# and time, in seconds: move the times on so that a replacement within the second counts.
replace() { # SOURCE TARGET
    local old
    old="$(stat -c %Y "$2")"
    cp "$1" "$2"
    touch -d "@$((old + 2))" "$2"
}
replace "$testdata/duet-kf8.azw" "$books/swap.prc"
replace "$testdata/harbor-kf8.azw3" "$books/truncated-kf8.azw3"
index
check "re-indexing exits 0" 0 "$?"
check "re-indexing: no file errors" 0 "$(status_field fileerrors)"
check "re-indexing: the new text of a replaced book" "duet-kf8.azw swap.prc" \
    "$(found '"Nuon nubraqu bralo"')"
check "re-indexing: the old text of a replaced book is gone" \
    "harbor-hybrid.mobi harbor-kf7.mobi harbor-kf8.azw3 harbor-noauthor-kf7.mobi markup-kf7.mobi truncated-kf8.azw3" \
    "$(found '"pel gorqu Re braqutin"')"
check "re-indexing: the new author of a replaced book" "duet-kf8.azw swap.prc" \
    "$(found 'author:Brel')"
end=$(date +%s%N)

if [ "$failures" -ne 0 ]; then
    echo "--- recollindex stderr"
    cat "$tmp/index.err"
    echo "--- recollindex log (end)"
    tail -n 20 "$tmp/recollindex.log" 2>/dev/null
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed (indexing and queries: $(((end - start) / 1000000)) ms)"
