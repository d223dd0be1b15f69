#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Drives the Wine build of quillsift.dll the way Windows does, with Wine's real regsvr32,
# registry, COM activation and file streams, in a fresh prefix of its own:
#   register; the nine registry values; every fixture book through quillsift-host, found through
#   its own extension's handler (.mobi, .azw, .azw3) and bound as a stream (IInitializeWithStream,
#   IPersistStream) and by its path (IPersistFile, the filter opening the file with Wine's
#   SHCreateStreamOnFileEx), byte for byte what the native quillsift-dump --json prints, with
#   TEMP and TMP naming a folder that
#   does not exist (the indexer's host gives a filter no disk); malformed books; the resources
#   of the loaded module; registering twice; unregistering (twice), which keeps what others
#   put under the extension keys and deletes the keys it emptied; the books' kind; files that do
#   not open and folders without a book, in words; the thumbnail provider: its ShellEx values,
#   thumbnails of the cover books checked against Pillow, none for a book without a cover.
# DLL_DIR holds the quillsift.dll to register: the winelib build's placeholder (with its .so),
# or the real PE DLL of a mingw-w64 build with libmobi, driven by that build's PE host.
# With a mingw-w64 build folder, its PE quillsift-host must print the same bytes too, its
# stream_load_check proves the stream adapter in a PE program on every book, and its
# utf8_conversion_check runs the native layer's table of malformed UTF-8 through Wine's
# MultiByteToWideChar.
# Usage: wine_integration_test.sh DLL_DIR HOST NATIVE_DUMP TESTDATA [MINGW_BUILD]
# QUILLSIFT_RESOURCES_CHECK names the program that prints the resources (module_resources_check),
# QUILLSIFT_VERSION the version they must carry (the project's three fields; the numbers of the
# version resource add a fourth, 0).
set -uo pipefail
source "$(dirname "$0")/wine_helpers.sh"

dll_dir=$1
host=$2
native_dump=$3
testdata=$4
mingw_build=${5:-}
if [[ ! -x $native_dump ]]; then
    echo "no native quillsift-dump at '$native_dump': configure with -DQUILLSIFT_NATIVE_DUMP=PATH"
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quillsift-wine.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDLLPATH="$dll_dir"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    # WINEPREFIX is set: this stops the server of this prefix only.
    wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

clsid_filter='{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}'
clsid_handler='{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}'
iid_ifilter='{89BCB740-6119-101A-BCB7-00DD010655AF}'
classes='HKEY_LOCAL_MACHINE\Software\Classes'
filter_key="$classes\\CLSID\\$clsid_filter"
handler_key="$classes\\CLSID\\$clsid_handler"
registered_trees=("$filter_key" "$handler_key" "$classes\\.mobi\\PersistentHandler"
    "$classes\\.azw\\PersistentHandler" "$classes\\.azw3\\PersistentHandler")
dll=$(windows_path "$dll_dir/quillsift.dll")

start=$(date +%s%N)
wineboot -i >/dev/null 2>&1
echo "wineboot of a fresh prefix: $(seconds_since "$start") s"
phase=$(date +%s%N)

# Someone else's data under the extension key, which unregistration must leave alone.
wine reg add "$classes\\.mobi" /v "Content Type" /d "application/x-mobipocket-ebook" /f >/dev/null
wine reg add "$classes\\.mobi\\OpenWithProgids" /v "Reader.mobi" /d "" /f >/dev/null
wine reg add "$classes\\.azw3" /ve /d "Reader.azw3" /f >/dev/null
extension_before=$(registry_values "$classes\\.mobi" "$classes\\.azw3")

# Nothing is registered yet: the host finds no filter.
if wine "$host" --json "$(windows_path "$testdata/harbor-kf7.mobi")" >/dev/null 2>&1; then
    fail "the host found a filter before registration"
fi

# Property handler: another program's handler for .azw, which Quillsift's replaces and
# unregistration puts back.
clsid_properties='{C8313FCD-030E-4C95-8F1D-3A93ACC73D2C}'
other_properties='{00000000-1111-2222-3333-444444444444}'
property_class_key="$classes\\CLSID\\$clsid_properties"
property_handlers='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\PropertySystem\PropertyHandlers'
file_associations="$classes\\SystemFileAssociations"
kind_map='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Explorer\KindMap'
wine reg add "$property_handlers\\.azw" /ve /d "$other_properties" /f >/dev/null
# Another program's kind of .azw3, and PerceivedType of .mobi, which registration keeps.
wine reg add "$kind_map" /v .azw3 /d text /f >/dev/null
wine reg add "$classes\\.mobi" /v PerceivedType /d text /f >/dev/null
extension_before=$(registry_values "$classes\\.mobi" "$classes\\.azw3")

# 1. Registration.
if wine regsvr32 /s "$dll"; then pass "regsvr32 /s"; else fail "regsvr32 /s returned $?"; fi

# 2. Exactly the nine values.
raw=$(wine reg query "$filter_key" /s 2>/dev/null)
[[ $raw == *$'\r\n'* ]] || fail "reg query output has no CRLF line ends"
expected=$(
    printf '%s\t%s\t%s\t%s\n' \
        "$filter_key" "(Default)" REG_SZ "Quillsift" \
        "$filter_key\\InProcServer32" "(Default)" REG_SZ "$dll" \
        "$filter_key\\InProcServer32" "ThreadingModel" REG_SZ "Both" \
        "$handler_key" "(Default)" REG_SZ "Quillsift Persistent Handler" \
        "$handler_key\\PersistentAddinsRegistered" "(Default)" REG_SZ "" \
        "$handler_key\\PersistentAddinsRegistered\\$iid_ifilter" "(Default)" REG_SZ "$clsid_filter" \
        "$classes\\.mobi\\PersistentHandler" "(Default)" REG_SZ "$clsid_handler" \
        "$classes\\.azw\\PersistentHandler" "(Default)" REG_SZ "$clsid_handler" \
        "$classes\\.azw3\\PersistentHandler" "(Default)" REG_SZ "$clsid_handler"
)
registered=$(registry_values "${registered_trees[@]}")
if [[ $registered == "$expected" ]]; then
    pass "the nine REG_SZ values"
else
    fail "registry values differ:"
    diff <(echo "$expected") <(echo "$registered")
fi
# The books' kind: a document for Explorer and Windows Search; PerceivedType only where none was.
for extension in .mobi .azw .azw3; do
    expect_value "$kind_map" $extension document
done
expect_value "$classes\\.azw" PerceivedType document
expect_value "$classes\\.mobi" PerceivedType text
echo "registration: $(seconds_since "$phase") s"
phase=$(date +%s%N)

# 3. Every fixture book, found through its own extension's handler and bound through both
# stream interfaces and by its path (IPersistFile::Load, as LoadIFilter binds; Wine's own
# LoadIFilter is a stub), equals the native dump byte for byte. The processes
# started from here on find TEMP and TMP at a folder that does not exist: no temporary file
# can be made.
missing_temp=$(windows_path "$work/no-such-folder/temp")
for name in TEMP TMP; do
    wine reg add 'HKEY_CURRENT_USER\Environment' /v $name /t REG_EXPAND_SZ /d "$missing_temp" /f >/dev/null
done
seen_temp=$(wine cmd /c 'echo %TEMP%;%TMP%' | tr -d '\r')
if [[ $seen_temp == "$missing_temp;$missing_temp" && ! -e $work/no-such-folder ]]; then
    pass "TEMP and TMP name a folder that does not exist: $missing_temp"
else
    fail "TEMP and TMP are '$seen_temp', not '$missing_temp'"
fi
books=()
# The books of the independent writer and those made with calibre from publisher-like markup
# (metadata, French and Japanese locales).
for book in "$testdata"/*.mobi "$testdata"/*.azw "$testdata"/*.azw3 \
    "$testdata"/markup/*.mobi "$testdata"/markup/*.azw3; do
    [[ -f $book ]] && books+=("$book")
done
[[ ${#books[@]} -ge 1 ]] || fail "no fixture book in $testdata"
hosts=("$host:initialize" "$host:persist" "$host:path")
# The mingw-w64 build's host too, unless it is the host above (the real DLL's own build).
mingw_host="$mingw_build/tools/quillsift-host.exe"
[[ -n $mingw_build && ! $mingw_host -ef $host ]] && hosts+=("$mingw_host:mingw-initialize")
for book in "${books[@]}"; do
    name=$(basename "$book")
    "$native_dump" --json --quiet "$book" >"$work/native.json" 2>/dev/null
    for entry in "${hosts[@]}"; do
        program=${entry%:*}
        binding=${entry##*:}
        options=(--json)
        [[ $binding == persist ]] && options+=(--persist-stream)
        [[ $binding == path ]] && options+=(--by-path)
        wine "$program" "${options[@]}" "$(windows_path "$book")" >"$work/host.json"
        status=$?
        if [[ $status -eq 0 ]] && cmp -s "$work/native.json" "$work/host.json"; then
            pass "$name ($binding): $(wc -l <"$work/host.json") lines as the native dump"
        else
            fail "$name ($binding): exit $status, output differs from the native dump"
            diff "$work/native.json" "$work/host.json" | cut -c1-160 | head -6
        fi
    done
done

# Property handler: the class, its extensions' values and Explorer's lists; then every book's
# store, created through the class the registry names for its extension, equals the native
# quillsift-dump --properties byte for byte.
expect_value "$property_class_key" "" "Quillsift Property Handler"
expect_value "$property_class_key\\InProcServer32" "" "$dll"
expect_value "$property_class_key\\InProcServer32" ThreadingModel Both
expect_value "$property_class_key\\PreviousPropertyHandler" .azw "$other_properties"
for extension in .mobi .azw .azw3; do
    expect_value "$property_handlers\\$extension" "" "$clsid_properties"
    for list in FullDetails PreviewDetails InfoTip; do
        found=$(registry_value "$file_associations\\$extension" $list)
        [[ $found == prop:*System.Title\;System.Author* && $found == *System.Size* ]] &&
            pass "$extension $list lists the book's properties" ||
            fail "$extension $list is '$found'"
    done
done
property_hosts=("$host")
[[ -n $mingw_build && ! $mingw_host -ef $host ]] && property_hosts+=("$mingw_host")
for book in "${books[@]}"; do
    name=$(basename "$book")
    "$native_dump" --properties "$book" >"$work/native-properties.json" 2>/dev/null
    for program in "${property_hosts[@]}"; do
        wine "$program" --properties "$(windows_path "$book")" >"$work/host-properties.json"
        status=$?
        if [[ $status -eq 0 && -s $work/native-properties.json ]] &&
            cmp -s "$work/native-properties.json" "$work/host-properties.json"; then
            pass "$name: --properties as the native dump ($(basename "$program"))"
        else
            fail "$name: --properties exit $status, output differs from the native dump"
            diff "$work/native-properties.json" "$work/host-properties.json" | cut -c1-160 | head -4
        fi
    done
done

# Text handed out in portions of 1 and 3 characters (surrogate pairs split between GetText
# calls) by the Wine build's chunk engine.
for buffer in 1 3; do
    book="$testdata/harbor-kf7.mobi"
    "$native_dump" --json --quiet --buffer "$buffer" "$book" >"$work/native.json" 2>/dev/null
    wine "$host" --json --buffer "$buffer" "$(windows_path "$book")" >"$work/host.json"
    if cmp -s "$work/native.json" "$work/host.json"; then
        pass "harbor-kf7.mobi with GetText portions of $buffer: as the native dump"
    else
        fail "harbor-kf7.mobi with GetText portions of $buffer differs from the native dump"
    fi
done

# .prc, which Palm resource files of every kind use, is not routed to the filter.
if wine "$host" --json --extension .prc "$(windows_path "$testdata/harbor-kf7.mobi")" >/dev/null 2>&1; then
    fail ".prc found a filter although only .mobi, .azw and .azw3 are registered"
else
    pass ".prc has no persistent handler"
fi

# 4. Malformed books: a binding error (exit 1, a "load" line), no crash, as natively.
head -c 100 "$testdata/harbor-kf7.mobi" >"$work/truncated.mobi"
printf 'This is not a Palm database, only text named like a book.\n%.0s' {1..40} >"$work/text.mobi"
: >"$work/empty.mobi"
for book in "$work/truncated.mobi" "$work/text.mobi" "$work/empty.mobi"; do
    name=$(basename "$book")
    "$native_dump" --json --quiet "$book" >"$work/native.json" 2>/dev/null
    for binding in stream path; do
        options=(--json)
        [[ $binding == path ]] && options+=(--by-path)
        wine "$host" "${options[@]}" "$(windows_path "$book")" >"$work/host.json" 2>"$work/host.err"
        status=$?
        if [[ $status -eq 1 ]] && grep -q '^{"load":"0x8' "$work/host.json" &&
            cmp -s "$work/native.json" "$work/host.json"; then
            pass "$name ($binding): binding error $(cat "$work/host.json")"
        else
            fail "$name ($binding): exit $status, output $(cat "$work/host.json") $(cat "$work/host.err")"
        fi
    done
done

# Files that do not open and folders without a book: one line each that says why, in the
# native dump's words, and exit 1.
mkdir -p "$work/no-books/sub"
: >"$work/no-books/sub/notes.txt"
cannot_open=(
    "--json|$work/missing.mobi|cannot open: no such file or directory (0x80070002)"
    "--json|$work/no-folder/missing.mobi|cannot open: no such file or directory (0x80070003)"
    "--properties|$work/missing.mobi|cannot open: no such file or directory (0x80070002)"
    "--properties|$work/no-books|cannot open: a directory"
    "--json|$work/no-books|no .mobi, .azw, .azw3 or .prc file in this folder"
)
for row in "${cannot_open[@]}"; do
    IFS='|' read -r option path reason <<<"$row"
    wine "$host" "$option" "$(windows_path "$path")" >"$work/host.json" 2>"$work/host.err"
    status=$?
    line=$(tr -d '\r' <"$work/host.err" | head -n 1)
    expected="quillsift-host: $(windows_path "$path"): $reason"
    if [[ $status -eq 1 && $line == "$expected"* ]]; then
        pass "$option on ${path#"$work"/}: $line"
    else
        fail "$option on ${path#"$work"/}: exit $status, '$line', expected '$expected'"
    fi
done
wine "$host" --thumbnail 96 "$(windows_path "$work/missing.bmp")" "$(windows_path "$work/missing.mobi")" \
    >/dev/null 2>"$work/host.err"
status=$?
[[ $status -eq 1 && $(tr -d '\r' <"$work/host.err") == *": cannot open: no such file or directory (0x80070002)" ]] &&
    pass "--thumbnail of a missing book: $(tr -d '\r' <"$work/host.err")" ||
    fail "--thumbnail of a missing book: exit $status, $(cat "$work/host.err")"

# The damaged and foreign files of tests/damaged/damaged-books.tsv (the native test checks what
# quillsift-dump says of each and gets from it): the host says and gets the same, byte for byte,
# for a folder of them (bound as streams, and by path), and for each through the property
# handler and the thumbnail provider. Only the program's name and the paths differ.
damaged="$work/damaged"
python3 "$(dirname "$0")/../damaged/damaged_books.py" make \
    "$(dirname "$0")/../damaged/damaged-books.tsv" "$testdata" "$damaged" >/dev/null
same_as_native() { # what, native stdout, native stderr, host stdout, host stderr
    if cmp -s "$2" <(as_native "$4" "$(windows_path "$damaged")" "$damaged") &&
        cmp -s "$3" <(as_native "$5" "$(windows_path "$damaged")" "$damaged"); then
        pass "$1: as the native dump ($(grep -c . "$3") lines on stderr)"
    else
        fail "$1 differs from the native dump:"
        diff "$2" <(as_native "$4" "$(windows_path "$damaged")" "$damaged") | head -4
        diff "$3" <(as_native "$5" "$(windows_path "$damaged")" "$damaged") | head -4
    fi
}
"$native_dump" --json --quiet "$damaged" >"$work/native.json" 2>"$work/native.err"
for binding in stream path; do
    options=(--json)
    [[ $binding == path ]] && options+=(--by-path)
    wine "$host" "${options[@]}" "$(windows_path "$damaged")" >"$work/host.json" 2>"$work/host.err"
    [[ $? -eq 1 ]] || fail "damaged files ($binding): exit status not 1"
    same_as_native "damaged files ($binding)" "$work/native.json" "$work/native.err" \
        "$work/host.json" "$work/host.err"
done
for book in "$damaged"/*; do
    name=$(basename "$book")
    "$native_dump" --properties "$book" >"$work/native.json" 2>"$work/native.err"
    wine "$host" --properties "$(windows_path "$book")" >"$work/host.json" 2>"$work/host.err"
    same_as_native "$name --properties" "$work/native.json" "$work/native.err" \
        "$work/host.json" "$work/host.err"
    rm -f "$work/cover.bin" "$work/thumbnail.png"
    "$native_dump" --cover "$work/cover.bin" "$book" 2>"$work/native.err"
    wine "$host" --thumbnail 96 "$(windows_path "$work/thumbnail.png")" "$(windows_path "$book")" \
        >/dev/null 2>"$work/host.err"
    same_as_native "$name --thumbnail (--cover)" /dev/null "$work/native.err" /dev/null \
        "$work/host.err"
    if [[ -e $work/cover.bin && ! -s $work/thumbnail.png ]] ||
        [[ ! -e $work/cover.bin && -e $work/thumbnail.png ]]; then
        fail "$name: a thumbnail where there is no cover, or none where there is"
    fi
done

# The stream adapter in a PE program: libmobi's fread, fseek and ftell served from file streams,
# on every book and on the malformed ones, one thread and two at once.
if [[ -n $mingw_build ]]; then
    windows_books=()
    for book in "${books[@]}" "$work/text.mobi" "$work/empty.mobi"; do
        windows_books+=("$(windows_path "$book")")
    done
    if wine "$mingw_build/tests/mingw/stream_load_check.exe" "${windows_books[@]}" >"$work/check.txt"; then
        pass "mingw-w64 stream adapter: $(grep -c '^ok:' "$work/check.txt") loads as the files"
    else
        fail "mingw-w64 stream adapter: $(grep -v '^ok:' "$work/check.txt")"
    fi
fi
# Wine's own MultiByteToWideChar on the malformed UTF-8 that the native layer is tested with.
if [[ -n $mingw_build ]]; then
    if wine "$mingw_build/tests/mingw/utf8_conversion_check.exe" >"$work/utf8.txt"; then
        pass "malformed UTF-8: $(grep -c '^ok:' "$work/utf8.txt") cases give the U+FFFD of the native layer"
    else
        fail "malformed UTF-8: $(grep -v '^ok:' "$work/utf8.txt")"
    fi
fi
[[ -e $work/no-such-folder ]] && fail "something made the missing temporary folder"
echo "books: $(seconds_since "$phase") s"
phase=$(date +%s%N)

# The thumbnail provider: the shell extension of each book extension names its class; the
# thumbnails of the JPEG and PNG covers at 96, 256 and 512 (never enlarged), found as Explorer finds them, match
# Pillow's own decode of the cover's bytes (quillsift-dump --cover) in size, mean colour and
# alpha; a book without a cover gives none (exit 1, no file).
clsid_thumbnail='{C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC}'
thumbnail_key="$classes\\CLSID\\$clsid_thumbnail"
thumbnail_shellex() { printf '%s' "$classes\\SystemFileAssociations\\$1\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}"; }
# Debian's Pillow belongs to the system's Python, which a user's python3 may not be.
pil_python=python3
"$pil_python" -c 'import PIL' 2>/dev/null || pil_python=/usr/bin/python3
registered_thumbnail() {
    registry_values "$thumbnail_key" "$(thumbnail_shellex .mobi)" "$(thumbnail_shellex .azw)" \
        "$(thumbnail_shellex .azw3)"
}
expected_thumbnail=$(
    printf '%s\t%s\t%s\t%s\n' \
        "$thumbnail_key" "(Default)" REG_SZ "Quillsift Thumbnail Provider" \
        "$thumbnail_key\\InProcServer32" "(Default)" REG_SZ "$dll" \
        "$thumbnail_key\\InProcServer32" "ThreadingModel" REG_SZ "Both" \
        "$(thumbnail_shellex .mobi)" "(Default)" REG_SZ "$clsid_thumbnail" \
        "$(thumbnail_shellex .azw)" "(Default)" REG_SZ "$clsid_thumbnail" \
        "$(thumbnail_shellex .azw3)" "(Default)" REG_SZ "$clsid_thumbnail"
)
if [[ $(registered_thumbnail) == "$expected_thumbnail" ]]; then
    pass "the thumbnail provider's class and its ShellEx values"
else
    fail "thumbnail registry values differ:"
    diff <(echo "$expected_thumbnail") <(registered_thumbnail)
fi
for book in covers/lantern-kf8.azw3 covers/meadow-kf8.azw3 covers/lantern-kf7.mobi; do
    rm -f "$work/cover.bin"
    if ! "$native_dump" --cover "$work/cover.bin" "$testdata/$book" 2>/dev/null; then
        fail "$book: no cover from the native quillsift-dump --cover"
        continue
    fi
    # A PNG when the name says so, at one size.
    for output in 96.bmp 256.bmp 512.bmp 256.PNG; do
        size=${output%.*}
        rm -f "$work/thumbnail.$output"
        report=$(wine "$host" --thumbnail "$size" "$(windows_path "$work/thumbnail.$output")" \
            "$(windows_path "$testdata/$book")" 2>&1 | tr -d '\r')
        if [[ ! -s $work/thumbnail.$output ]]; then
            fail "$book at $size: no thumbnail: $report"
        elif checked=$("$pil_python" "$(dirname "$0")/thumbnail_check.py" \
            "$work/thumbnail.$output" "$work/cover.bin" "$size" "$report"); then
            pass "$book as $output: $checked; ${report#* * }"
        else
            fail "$book as $output: $checked"
        fi
    done
done
rm -f "$work/thumbnail.bmp"
wine "$host" --thumbnail 96 "$(windows_path "$work/thumbnail.bmp")" \
    "$(windows_path "$testdata/harbor-kf7.mobi")" >/dev/null 2>&1
status=$?
if [[ $status -eq 1 && ! -e $work/thumbnail.bmp ]]; then
    pass "harbor-kf7.mobi, without a cover: no thumbnail (exit 1, no file)"
else
    fail "harbor-kf7.mobi, without a cover: exit $status, file $(ls "$work/thumbnail.bmp" 2>&1)"
fi
echo "thumbnails: $(seconds_since "$phase") s"
phase=$(date +%s%N)

# Version information and manifest, read from the module the filter object lives in.
resources=$(wine "${QUILLSIFT_RESOURCES_CHECK:?}")
version=${QUILLSIFT_VERSION:?}
for line in "module: $dll" "FILEVERSION: $version.0" "PRODUCTVERSION: $version.0" \
    "Translation: 0x0409 1200" "StringFileInfo\\040904b0\\FileVersion: $version" \
    "StringFileInfo\\040904b0\\ProductVersion: $version" \
    'StringFileInfo\040904b0\OriginalFilename: quillsift.dll' \
    '        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>'; do
    if grep -qxF -- "$line" <<<"$resources"; then
        pass "resources: $line"
    else
        fail "resources: no line '$line' in: $resources"
    fi
done

# 5. Registering twice changes nothing.
if wine regsvr32 /s "$dll"; then pass "regsvr32 /s again"; else fail "second regsvr32 /s returned $?"; fi
again=$(registry_values "${registered_trees[@]}")
[[ $again == "$registered" ]] && pass "second registration changed nothing" ||
    fail "second registration changed the values"

# 6, 7. Unregistration removes both class keys and both PersistentHandler keys, and keeps
# everything else under the extension keys.
if wine regsvr32 /u /s "$dll"; then pass "regsvr32 /u /s"; else fail "regsvr32 /u /s returned $?"; fi
for tree in "${registered_trees[@]}"; do
    if wine reg query "$tree" >/dev/null 2>&1; then
        fail "$tree is still there"
    else
        pass "$tree removed"
    fi
done
extension_after=$(registry_values "$classes\\.mobi" "$classes\\.azw3")
[[ $extension_after == "$extension_before" && -n $extension_after ]] &&
    pass "the values placed under .mobi and .azw3 survived" ||
    fail "the .mobi or .azw3 key changed: before '$extension_before', after '$extension_after'"
# .azw held nothing but Quillsift's: its key goes; Explorer's kind map stays, with the other
# program's kind put back; the keys above the handlers' that the fresh prefix lacked go too.
wine reg query "$classes\\.azw" >/dev/null 2>&1 && fail ".azw key kept" || pass ".azw key removed"
kinds=$(registry_values "$kind_map")
[[ $kinds == "$kind_map"$'\t'.azw3$'\t'REG_SZ$'\t'text ]] && pass "the kind map as it was" ||
    fail "the kind map holds: $kinds"
wine reg query "$file_associations" >/dev/null 2>&1 && fail "$file_associations is still there" ||
    pass "$file_associations removed"

# Unregistration removes the thumbnail provider's class and its ShellEx keys.
for tree in "$thumbnail_key" "$(thumbnail_shellex .mobi)" "$(thumbnail_shellex .azw)" \
    "$(thumbnail_shellex .azw3)"; do
    if wine reg query "$tree" >/dev/null 2>&1; then
        fail "$tree is still there"
    else
        pass "$tree removed"
    fi
done
# Property handler: another program's handler is back, Quillsift's values and class are gone.
expect_value "$property_handlers\\.azw" "" "$other_properties"
for key in "$property_handlers\\.mobi" "$property_handlers\\.azw3" "$property_class_key" \
    "$file_associations\\.mobi"; do
    wine reg query "$key" >/dev/null 2>&1 && fail "$key is still there" || pass "$key removed"
done

# 8. Unregistering again succeeds.
if wine regsvr32 /u /s "$dll"; then pass "regsvr32 /u /s again"; else fail "second regsvr32 /u /s returned $?"; fi
echo "resources and unregistration: $(seconds_since "$phase") s; total $(seconds_since "$start") s"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every Wine check passed"
