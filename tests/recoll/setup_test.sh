#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Checks integrations/recoll/setup.sh's edits of a Recoll configuration (quillsift-recoll-setup's,
# which it runs): what it adds, what it replaces, that it keeps everything else, and that a
# second run changes nothing; and which quillsift-dump quillsift-recoll-setup takes as a package
# installs it. It never builds: every run names a stand-in tool. Usage: setup_test.sh
set -uo pipefail
setup_script="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../integrations/recoll" && pwd)/setup.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' HUP INT TERM
export HOME="$tmp/home"
unset RECOLL_CONFDIR
mkdir -p "$HOME"

# Stand-ins for quillsift-dump: one that knows --html (a file that is no book gives exit 1 and
# no output, no book is a usage error), in a folder with a blank in its name, and one from
# before --html (a usage error for both).
tool="$tmp/bin dir/quillsift-dump"
old_tool="$tmp/old/quillsift-dump"
mkdir -p "$(dirname "$tool")" "$(dirname "$old_tool")"
printf '#!/bin/sh\n[ $# -eq 2 ] || exit 2\nexit 1\n' >"$tool"
printf '#!/bin/sh\nexit 2\n' >"$old_tool"
chmod +x "$tool" "$old_tool"
handler="application/x-mobipocket-ebook = exec \"$tool\" --html"
comment="# Kindle books, read by Quillsift (added by quillsift-recoll-setup)"
added_map="$comment
.mobi = application/x-mobipocket-ebook
.azw = application/x-mobipocket-ebook
.azw3 = application/x-mobipocket-ebook
.prc = application/x-mobipocket-ebook"
added_conf="$comment
[index]
$handler"

failures=0
pass() { echo "ok   $1"; }
fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}

setup() { # CONFDIR... (none: the default)
    QUILLSIFT_DUMP="$tool" bash "$setup_script" "$@" >"$tmp/setup.out" 2>&1
}

# expect NAME CONFDIR FILE CONTENT: FILE must hold exactly CONTENT.
expect() {
    if printf '%s\n' "$4" | diff -u - "$2/$3" >"$tmp/diff"; then
        pass "$1: $3"
    else
        fail "$1: $3"
        sed 's/^/     /' "$tmp/diff"
    fi
}

# again NAME CONFDIR: a second run leaves both files as they are, times included.
again() {
    local before after
    before="$(stat -c '%s %y %i %n' "$2/mimemap" "$2/mimeconf" && cat "$2/mimemap" "$2/mimeconf")"
    setup "$2"
    after="$(stat -c '%s %y %i %n' "$2/mimemap" "$2/mimeconf" && cat "$2/mimemap" "$2/mimeconf")"
    if [ "$before" = "$after" ]; then pass "$1: a second run changes nothing"; else fail "$1: a second run changes nothing"; fi
}

# A folder that does not exist yet.
conf="$tmp/a/b/conf"
setup "$conf"
expect "new folder" "$conf" mimemap "$added_map"
expect "new folder" "$conf" mimeconf "$added_conf"
again "new folder" "$conf"

# The default folders: $RECOLL_CONFDIR, else ~/.recoll.
setup
expect "default ~/.recoll" "$HOME/.recoll" mimeconf "$added_conf"
RECOLL_CONFDIR="$tmp/env-conf" setup
expect "default \$RECOLL_CONFDIR" "$tmp/env-conf" mimeconf "$added_conf"

# A user's files: an old handler line continued over two lines in [index], types in other
# sections, an extension in another case, a commented-out handler, no final line break.
conf="$tmp/user"
mkdir -p "$conf"
printf '%s\n' "# my types" ".txt = text/plain" ".AZW = text/plain" "" "[~/books/raw]" \
    ".mobi = application/octet-stream" >"$conf/mimemap"
printf '%s\n' "[index]" "application/x-mobipocket-ebook = exec /old/quillsift-dump \\" \
    "    --html" "text/x-mine = internal text/plain" "" "[icons]" \
    "application/x-mobipocket-ebook = book" >"$conf/mimeconf"
setup "$conf"
expect "user files" "$conf" mimemap "# my types
.txt = text/plain
.azw = application/x-mobipocket-ebook

$comment
.mobi = application/x-mobipocket-ebook
.azw3 = application/x-mobipocket-ebook
.prc = application/x-mobipocket-ebook

[~/books/raw]
.mobi = application/octet-stream"
expect "user files" "$conf" mimeconf "[index]
$handler
text/x-mine = internal text/plain

[icons]
application/x-mobipocket-ebook = book"
again "user files" "$conf"

conf="$tmp/comments"
mkdir -p "$conf"
printf '%s\n[index]\n#application/x-mobipocket-ebook = execm rclmobi' "#.mobi = text/plain" \
    >"$conf/mimeconf"
setup "$conf"
expect "a commented-out handler, no final line break" "$conf" mimeconf "#.mobi = text/plain
[index]
#application/x-mobipocket-ebook = execm rclmobi

$added_conf"
again "a commented-out handler" "$conf"

# Recoll's own example files: only additions, and the new extensions before the first section.
if [ -f /usr/share/recoll/examples/mimemap ]; then
    conf="$tmp/stock"
    mkdir -p "$conf"
    cp /usr/share/recoll/examples/mimemap /usr/share/recoll/examples/mimeconf "$conf/"
    setup "$conf"
    removed="$(diff /usr/share/recoll/examples/mimemap "$conf/mimemap" | grep -c '^<')"
    removed=$((removed + $(diff /usr/share/recoll/examples/mimeconf "$conf/mimeconf" | grep -c '^<')))
    if [ "$removed" -eq 0 ]; then pass "stock files: every line kept"; else fail "stock files: every line kept"; fi
    first_section="$(grep -n '^\[' "$conf/mimemap" | head -n 1 | cut -d: -f1)"
    prc="$(grep -n '^\.prc = application/x-mobipocket-ebook$' "$conf/mimemap" | cut -d: -f1)"
    if [ -n "$prc" ] && [ "$prc" -lt "$first_section" ]; then
        pass "stock files: the extensions are in the top-level section"
    else
        fail "stock files: the extensions are in the top-level section"
    fi
    expect "stock files" "$conf" mimeconf "$(cat /usr/share/recoll/examples/mimeconf)

$added_conf"
    again "stock files" "$conf"
fi

# Refusals leave the folder as it was.
refused() { # NAME TOOL
    if QUILLSIFT_DUMP="$2" bash "$setup_script" "$tmp/refused" >"$tmp/setup.out" 2>&1; then
        fail "$1: refused"
    elif [ -e "$tmp/refused" ]; then
        fail "$1: nothing written"
    else
        pass "$1: refused, nothing written"
    fi
}
refused "a quillsift-dump without --html" "$old_tool"
refused "a program that fails on anything" "$(command -v false)"
quoted="$tmp/say \"hi\"/quillsift-dump"
mkdir -p "$(dirname "$quoted")"
cp "$tool" "$quoted"
refused "a path Recoll cannot quote" "$quoted"
refused "no quillsift-dump there" "$tmp/nowhere/quillsift-dump"

# As installed: no QUILLSIFT_DUMP, the quillsift-dump beside the script (called through a link
# too), else the one on the PATH.
installed_setup="$(dirname "$setup_script")/quillsift-recoll-setup"
mkdir -p "$tmp/usr/bin" "$tmp/links" "$tmp/alone" "$tmp/path-bin"
cp "$installed_setup" "$tmp/usr/bin/quillsift-recoll-setup"
cp "$tool" "$tmp/usr/bin/quillsift-dump"
ln -s "$tmp/usr/bin/quillsift-recoll-setup" "$tmp/links/setup-books"
cp "$installed_setup" "$tmp/alone/quillsift-recoll-setup"
cp "$tool" "$tmp/path-bin/quillsift-dump"
for row in "beside it|$tmp/usr/bin/quillsift-recoll-setup|$tmp/usr/bin/quillsift-dump" \
    "through a link|$tmp/links/setup-books|$tmp/usr/bin/quillsift-dump" \
    "on the PATH|$tmp/alone/quillsift-recoll-setup|$tmp/path-bin/quillsift-dump"; do
    IFS='|' read -r what script found <<<"$row"
    conf="$tmp/installed-$(echo "$what" | tr ' ' -)"
    (unset QUILLSIFT_DUMP; PATH="$tmp/path-bin:$PATH" "$script" "$conf" >"$tmp/setup.out" 2>&1)
    expect "installed, the quillsift-dump $what" "$conf" mimeconf "$comment
[index]
application/x-mobipocket-ebook = exec \"$found\" --html"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
