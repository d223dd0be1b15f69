#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The preview handler under Wine, on a virtual X server, in a fresh prefix of its own that has a
# CJK font and substitutes for Windows' UI faces, as a Windows machine with Japanese support
# has them (Segoe UI and Tahoma without Japanese, Yu Gothic UI, Meiryo UI and MS UI Gothic
# with it):
#   registration with another program's preview handler for .azw in place: the class
#   (Apartment, the preview host's AppID), its name among Explorer's preview handlers, the three
#   ShellEx values, the other program's handler kept;
#   quillsift-host --preview 600x900 of a book with a JPEG cover, one with a PNG cover, a book
#   without a cover, the French and the Japanese books, an encrypted book and a file that is
#   not a book, each picture judged from outside the code (tests/wine/preview_check.py): its
#   words read back with tesseract (the title and the first words of the text, or the line the
#   pane says), the cover's region against Pillow's decode of the cover's bytes (quillsift-dump
#   --cover), also in a pane narrower than the cover; a dark run dark with light text; a run
#   scrolled three pages down showing later text than the first page;
#   unregistration, which puts the other program's handler back.
# Usage: preview_test.sh DLL_DIR HOST NATIVE_DUMP TESTDATA
# Runs itself under xvfb-run when there is no display; skipped (77) without xvfb-run or
# tesseract. QUILLSIFT_PREVIEW_PICTURES=FOLDER keeps the pictures there.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_helpers.sh"

if [[ -z ${QUILLSIFT_UNDER_XVFB:-} ]]; then
    for tool in xvfb-run tesseract; do
        if ! command -v $tool >/dev/null; then
            echo "SKIP: no $tool (Debian's xvfb and tesseract-ocr, tesseract-ocr-jpn)"
            exit 77
        fi
    done
    QUILLSIFT_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

dll_dir=$1
host=$2
native_dump=$3
testdata=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/quillsift-preview.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDLLPATH="$dll_dir"
cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
pictures=${QUILLSIFT_PREVIEW_PICTURES:-$work}
mkdir -p "$pictures"
# Debian's Pillow belongs to the system's Python, which a user's python3 may not be.
pil_python=python3
"$pil_python" -c 'import PIL' 2>/dev/null || pil_python=/usr/bin/python3
check() { "$pil_python" "$here/preview_check.py" "$@"; }

start=$(date +%s%N)
wineboot -i >/dev/null 2>&1
substitutes='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in "Segoe UI" Tahoma; do
    wine reg add "$substitutes" /v "$face" /d "DejaVu Sans" /f >/dev/null
done
for face in "Yu Gothic UI" "Meiryo UI" "MS UI Gothic"; do
    wine reg add "$substitutes" /v "$face" /d "VL PGothic" /f >/dev/null
done
echo "prefix: $(seconds_since "$start") s"

# 1. Registration, with another program's preview handler for .azw.
classes='HKEY_LOCAL_MACHINE\Software\Classes'
clsid='{C59EB6AC-7416-4CF7-84CC-4372D2F7EA2E}'
other='{00000000-1111-2222-3333-444444444444}'
class_key="$classes\\CLSID\\$clsid"
handlers='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\PreviewHandlers'
shellex() { printf '%s' "$classes\\SystemFileAssociations\\$1\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}"; }
wine reg add "$(shellex .azw)" /ve /d "$other" /f >/dev/null
wine reg add "$handlers" /v "$other" /d "Another preview handler" /f >/dev/null
dll=$(windows_path "$dll_dir/quillsift.dll")
if wine regsvr32 /s "$dll"; then pass "regsvr32 /s"; else fail "regsvr32 /s returned $?"; fi
expect_value "$class_key" "" "Quillsift Preview Handler"
expect_value "$class_key" AppID "{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}"
expect_value "$class_key\\InProcServer32" "" "$dll"
expect_value "$class_key\\InProcServer32" ThreadingModel Apartment
expect_value "$handlers" "$clsid" "Quillsift Preview Handler"
for extension in .mobi .azw .azw3; do
    expect_value "$(shellex $extension)" "" "$clsid"
done
expect_value "$classes\\CLSID\\{C8313FCD-030E-4C95-8F1D-3A93ACC73D2C}\\PreviousPreviewHandler" .azw "$other"

# 2. The books, each as the pane shows it; DoPreview's time as the host measured it.
encrypted="$work/encrypted.azw3"
cp "$testdata/harbor-kf8.azw3" "$encrypted"
# Record 0's encryption type (offset 12) set to 2, as a book with DRM says.
record0=$(od -An -tu4 --endian=big -j78 -N4 "$encrypted" | tr -d ' ')
printf '\x00\x02' | dd of="$encrypted" bs=1 seek=$((record0 + 12)) conv=notrunc status=none
not_book="$work/not-a-book.mobi"
printf 'This is not a Palm database, only text named like a book.\n%.0s' {1..40} >"$not_book"

# preview NAME BOOK SIZE [OPTION...]: the picture NAME.png, or a failure.
preview() {
    local name=$1 book=$2 size=$3 report
    shift 3
    rm -f "$pictures/$name.png"
    # The options come first, as a user may type them: the command is found anywhere on the line.
    report=$(wine "$host" "$@" --preview "$size" "$(windows_path "$pictures/$name.png")" \
        "$(windows_path "$book")" 2>&1 | tr -d '\r')
    if [[ ! -s $pictures/$name.png ]]; then
        fail "$name: no picture: $report"
        return 1
    fi
    echo "$name: $report"
}

# judge NAME CHECK ARGUMENT...: one check of the picture NAME.png.
judge() {
    local name=$1 verdict
    shift
    if verdict=$(check "$1" "$pictures/$name.png" "${@:2}"); then
        pass "$name: $verdict"
    else
        fail "$name: $verdict"
    fi
}

phase=$(date +%s%N)
for entry in covers/lantern-kf8.azw3:eng covers/meadow-kf8.azw3:eng harbor-kf7.mobi:eng \
    markup/lexique-kf8.azw3:eng markup/kaze-kf8.azw3:jpn ledger-large-kf8.azw3:eng; do
    book=${entry%:*}
    lang=${entry##*:}
    name=$(basename "$book")
    "$native_dump" --json --quiet "$testdata/$book" >"$work/$name.jsonl" 2>/dev/null
    preview "$name" "$testdata/$book" 600x900 || continue
    judge "$name" text "$work/$name.jsonl" "$lang"
    if "$native_dump" --cover "$work/$name.cover" "$testdata/$book" 2>/dev/null; then
        judge "$name" cover "$work/$name.cover"
    fi
done
# A pane narrower than the cover: the cover scaled down to its width.
preview lantern-narrow "$testdata/covers/lantern-kf8.azw3" 260x900 &&
    judge lantern-narrow cover "$work/lantern-kf8.azw3.cover"
preview encrypted "$encrypted" 600x900 &&
    judge encrypted words eng "The Harbor Lanterns" "The text of this book is encrypted"
preview not-a-book "$not_book" 600x900 &&
    judge not-a-book words eng "This file could not be read as a Kindle book"
preview lexique-dark "$testdata/markup/lexique-kf8.azw3" 600x900 --dark && {
    judge lexique-dark dark
    judge lexique-dark text "$work/lexique-kf8.azw3.jsonl" eng
}
preview ledger-scrolled "$testdata/ledger-large-kf8.azw3" 600x900 --scroll 3 &&
    judge ledger-scrolled later "$pictures/ledger-large-kf8.azw3.png" \
        "$work/ledger-large-kf8.azw3.jsonl" eng
echo "previews: $(seconds_since "$phase") s"

# 3. Unregistration puts the other program's handler back and removes Quillsift's values.
if wine regsvr32 /u /s "$dll"; then pass "regsvr32 /u /s"; else fail "regsvr32 /u /s returned $?"; fi
expect_value "$(shellex .azw)" "" "$other"
expect_value "$handlers" "$other" "Another preview handler"
for key in "$class_key" "$(shellex .mobi)" "$(shellex .azw3)"; do
    wine reg query "$key" >/dev/null 2>&1 && fail "$key is still there" || pass "$key removed"
done
[[ -z $(registry_value "$handlers" "$clsid") ]] && pass "the preview handler's name removed" ||
    fail "the preview handler's name is still among the preview handlers"
echo "total $(seconds_since "$start") s"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every preview check passed"
