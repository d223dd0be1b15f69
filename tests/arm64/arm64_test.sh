#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The ARM64 build under emulation: run through tests/arm64/arm64_chroot.sh, Debian's arm64 Wine
# runs the ARM64 quillsift.dll and quillsift-host.exe as Windows on ARM64 runs them, each part
# in a fresh prefix of its own:
#   1. both are ARM64 PE files; regsvr32 registers the DLL; the host prints the native
#      quillsift-dump's bytes for every test book (the books of one folder, in one run), and
#      for each book its --properties; its --thumbnail pictures of the cover books are the x64
#      build's, byte for byte (made under x64 Wine beforehand: `arm64_test.sh pictures`);
#      unregistration removes the classes;
#   2. the preview pane's test, tests/wine/preview_test.sh, on the ARM64 DLL and host;
#   3. the ARM64 installer: its tables (tests/installer/msi_tables.sh); installed silently over
#      a copy that stands for the x64 package of the same version, which it replaces; its files
#      where that Wine puts ProgramFiles64Folder (C:\, where Windows puts C:\Program Files),
#      the programs stripped as the package ships them, registered by its own
#      quillsift-host.exe, which then finds the filter and the property handler through the
#      registry and prints the native bytes; uninstalled, nothing left.
# Usage: arm64_test.sh BUILD X64_PICTURES NATIVE_DUMP TESTDATA
#        arm64_test.sh pictures BUILD TESTDATA OUT
#   BUILD: the ARM64 build folder, its quillsift-VERSION-arm64.msi in it (for pictures, any
#   Windows build folder: the thumbnails it gives under the Wine on PATH, written to OUT).
# QUILLSIFT_VERSION is the project's version, QUILLSIFT_HOMEPAGE its page (empty: none).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine/wine_helpers.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillsift-arm64.XXXXXX")
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    [[ -n ${WINEPREFIX:-} ]] && wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

classes='HKEY_LOCAL_MACHINE\Software\Classes'
filter_class="$classes\\CLSID\\{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}"
# A fresh prefix of its own for each part: NAME.
fresh_prefix() {
    [[ -n ${WINEPREFIX:-} ]] && wineserver -k >/dev/null 2>&1
    export WINEPREFIX="$work/$1"
    local started
    started=$(date +%s%N)
    wineboot -i >/dev/null 2>&1
    echo "$1: a fresh prefix in $(seconds_since "$started") s"
}

# The thumbnails of the cover books (a JPEG and a PNG cover, KF8 and KF7), as a BMP and as a
# PNG, from the registered DLL: HOST TESTDATA OUT.
thumbnails() {
    local book output
    mkdir -p "$3"
    for book in covers/lantern-kf8.azw3 covers/meadow-kf8.azw3 covers/lantern-kf7.mobi; do
        for output in 96.bmp 256.png; do
            wine "$1" --thumbnail "${output%.*}" \
                "$(windows_path "$3/$(basename "$book").$output")" \
                "$(windows_path "$2/$book")" >/dev/null 2>&1 ||
                fail "$book: no --thumbnail ${output%.*} ($output)"
        done
    done
}

if [[ ${1:-} == pictures ]]; then
    build=$(realpath "$2")
    fresh_prefix pictures
    wine regsvr32 /s "$(windows_path "$build/module/quillsift.dll")" || fail "regsvr32 of $build"
    thumbnails "$build/tools/quillsift-host.exe" "$(realpath "$3")" "$(realpath -m "$4")"
    echo "thumbnails of $build: $(ls "$4" | wc -l)"
    exit $((failures != 0))
fi

build=$(realpath "$1")
x64_pictures=$(realpath "$2")
native_dump=$(realpath "$3")
testdata=$(realpath "$4")
host=$build/tools/quillsift-host.exe
dll=$build/module/quillsift.dll
start=$(date +%s%N)

# 1. The DLL and the host.
# The machine a PE file is built for: the field after the "PE\0\0" signature.
machine() {
    python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
offset = struct.unpack_from("<I", data, 0x3C)[0]
assert data[offset:offset + 4] == b"PE\0\0", "not a PE file"
print("0x%04X" % struct.unpack_from("<H", data, offset + 4)[0])' "$1"
}
for file in "$dll" "$host"; do
    found=$(machine "$file")
    [[ $found == 0xAA64 ]] && pass "$(basename "$file"): ARM64 ($found)" ||
        fail "$(basename "$file") is built for the machine $found, not ARM64 (0xAA64)"
done

fresh_prefix module
if wine regsvr32 /s "$(windows_path "$dll")"; then pass "regsvr32 /s"; else fail "regsvr32 /s returned $?"; fi
expect_value "$filter_class\\InProcServer32" "" "$(windows_path "$dll")"

# Every test book, as the Wine integration test takes them, copied to one folder: the host reads
# the folder as the native dump does, in one run.
books=$work/books
mkdir -p "$books"
for book in "$testdata"/*.mobi "$testdata"/*.azw "$testdata"/*.azw3 \
    "$testdata"/markup/*.mobi "$testdata"/markup/*.azw3; do
    [[ -f $book ]] && cp "$book" "$books/"
done
count=$(ls "$books" | wc -l)
phase=$(date +%s%N)
"$native_dump" --json --quiet "$books" >"$work/native.json" 2>/dev/null
wine "$host" --json "$(windows_path "$books")" >"$work/host.json" 2>"$work/host.err"
status=$?
if [[ $status -eq 0 ]] && cmp -s "$work/native.json" <(as_native "$work/host.json" "$(windows_path "$books")" "$books"); then
    pass "$count books: $(wc -l <"$work/host.json") lines, as the native dump"
else
    fail "$count books: exit $status, the output differs from the native dump"
    diff "$work/native.json" <(as_native "$work/host.json" "$(windows_path "$books")" "$books") |
        cut -c1-160 | head -6
fi
echo "books: $(seconds_since "$phase") s"
phase=$(date +%s%N)
for book in "$books"/*; do
    name=$(basename "$book")
    "$native_dump" --properties "$book" >"$work/native.json" 2>/dev/null
    wine "$host" --properties "$(windows_path "$book")" >"$work/host.json" 2>/dev/null
    status=$?
    if [[ $status -eq 0 && -s $work/native.json ]] && cmp -s "$work/native.json" "$work/host.json"; then
        pass "$name: --properties as the native dump"
    else
        fail "$name: --properties exit $status, output differs from the native dump"
        diff "$work/native.json" "$work/host.json" | cut -c1-160 | head -4
    fi
done
echo "properties: $(seconds_since "$phase") s"

phase=$(date +%s%N)
thumbnails "$host" "$testdata" "$work/pictures"
for picture in "$x64_pictures"/*; do
    name=$(basename "$picture")
    if cmp -s "$picture" "$work/pictures/$name"; then
        pass "$name: the x64 build's picture ($(stat -c %s "$picture") bytes)"
    else
        fail "$name differs from the x64 build's picture"
    fi
done
[[ -n $(ls "$x64_pictures") ]] || fail "no x64 picture in $x64_pictures"
echo "thumbnails: $(seconds_since "$phase") s"

if wine regsvr32 /u /s "$(windows_path "$dll")"; then pass "regsvr32 /u /s"; else fail "regsvr32 /u /s returned $?"; fi
wine reg query "$filter_class" >/dev/null 2>&1 && fail "the filter's class is still there" ||
    pass "the filter's class removed"

# 2. The preview pane, on a virtual X server, in a prefix of its own.
wineserver -k >/dev/null 2>&1
unset WINEPREFIX
phase=$(date +%s%N)
if bash "$here/../wine/preview_test.sh" "$(dirname "$dll")" "$host" "$native_dump" "$testdata"; then
    pass "the preview pane's test"
else
    fail "the preview pane's test"
fi
echo "preview: $(seconds_since "$phase") s"

# 3. The installer.
source "$here/../installer/msi_tables.sh"
msi=$(ls "$build"/quillsift-*-arm64.msi)
check_msi_tables "$msi" Arm64
code=$(property "$msi" ProductCode)
# The x64 package of the same version, as far as Windows Installer tells them apart: the x64
# ProductCode and a package code of its own (Wine's arm64 msiexec would not run x64 programs).
other="$work/other-architecture.msi"
other_code=$(python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$upgrade_code" "Quillsift $QUILLSIFT_VERSION")
cp "$msi" "$other"
msi_query "$other" "UPDATE \`Property\` SET \`Value\` = '$other_code' WHERE \`Property\` = 'ProductCode'"
msibuild "$other" -s "Quillsift $QUILLSIFT_VERSION" Quillsift "Arm64;1033" \
    '{3C0F7E52-61A4-4D0B-9B8E-2F5A7C9D1E63}' >/dev/null 2>&1

fresh_prefix installer
uninstall_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
listed() { wine reg query "$uninstall_key\\$1" >/dev/null 2>&1; }
# This Wine leaves ProgramFiles64Folder unset on ARM64, so that a package installs to C:\
# (Windows: C:\Program Files); and when it removes a product it takes the product's install
# location (ARPINSTALLLOCATION, C:\Quillsift\) for TARGETDIR, under which such a folder then
# resolves again (C:\Quillsift\Quillsift\): nothing would be removed. Without a location
# recorded, it takes the drive, as at install: PRODUCT_CODE.
forget_install_location() {
    local squashed
    squashed=$(python3 -c 'import sys
g = sys.argv[1].strip("{}").replace("-", "")
print(g[7::-1] + g[11:7:-1] + g[15:11:-1] + "".join(g[i + 1] + g[i] for i in range(16, 32, 2)))' "$1")
    wine reg add "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\$squashed\\InstallProperties" \
        /v InstallLocation /d "" /f >/dev/null 2>&1 || fail "no install properties for $1"
}
msiexec /i "$(windows_path "$other")" /qn
[[ $status -eq 0 ]] && listed "$other_code" && pass "the other architecture's package installed" ||
    fail "the other architecture's package: exit $status"
forget_install_location "$other_code"
msiexec /i "$(windows_path "$msi")" /qn /l*v "$(windows_path "$work/install.log")"
[[ $status -eq 0 ]] && pass "the ARM64 package installed" || fail "the ARM64 package: exit $status"
listed "$code" && ! listed "$other_code" &&
    pass "it replaced the other architecture's package: one entry in Programs and Features" ||
    fail "Programs and Features lists $(listed "$code" && echo "$code") $(listed "$other_code" && echo "$other_code")"
# Where this Wine put the files: the folder the registration names.
installed_dll=$(registry_value "$filter_class\\InProcServer32" "")
installed_folder=${installed_dll%\\quillsift.dll}
installed=$(wine winepath -u "$installed_folder" 2>/dev/null | tr -d '\r')
installed=${installed%/}
echo "installed in $installed_folder ($installed)"
[[ -n $installed_dll && $installed_folder == C:* ]] && pass "registered from $installed_dll" ||
    fail "the filter's class names '$installed_dll'"
for file in quillsift.dll quillsift-host.exe INSTALL.txt LICENSE.txt COPYING.txt LIBMOBI.txt \
    libmobi-COPYING.txt; do
    [[ -s $installed/$file ]] || fail "no $file in $installed_folder"
done
# The programs as the package ships them: stripped, with their debug link.
for file in quillsift.dll quillsift-host.exe; do
    cmp -s "$build/package/files/$file" "$installed/$file" &&
        pass "the installed $file is the package's ($(stat -c %s "$installed/$file") bytes)" ||
        fail "the installed $file is not the package's"
done
expect_host_as_native "$installed/quillsift-host.exe" harbor-kf7.mobi markup/lexique-kf8.azw3
forget_install_location "$code"
msiexec /x "$code" /qn
[[ $status -eq 0 ]] && pass "uninstalled" || fail "uninstall: exit $status"
! listed "$code" && pass "no entry in Programs and Features" || fail "still listed"
[[ ! -e $installed ]] && pass "no $installed_folder" || fail "left on disk: $(ls "$installed")"
wine reg query "$filter_class" >/dev/null 2>&1 && fail "the filter's class is still there" ||
    pass "the filter's class removed"
echo "total $(seconds_since "$start") s"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every ARM64 check passed"
