#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# tools/release.sh as a release runs it, signing with a throwaway certificate authority and
# code-signing certificate that openssl makes here (no key is ever kept): the eight files and
# SHA256SUMS; for x64 and for ARM64, the DLL, the host and the installer each verified by
# osslsigncode against that authority, and refused against another; the programs shipped
# stripped, with a debug link to the debug zip's files, for their architecture's machine; the
# same signed DLL in the zip and in the installer; then the signed x64 installer installed under
# Wine, its host finding the filter, and removed; then what the
# release workflow does with it: tools/publish-release.sh, dry. First, the check of the commit
# that libmobi's tag names (tools/fetch-libmobi.sh), on a repository made here of the source
# given, tagged v0.11 as it is and then with a changed file.
# Usage: release_test.sh LIBMOBI_SOURCE BUILD_DIR [CMAKE_OPTION...]
set -uo pipefail
if [[ $# -lt 2 ]]; then
    echo "usage: $0 LIBMOBI_SOURCE BUILD_DIR [CMAKE_OPTION...]" >&2
    exit 2
fi
repo="$(cd "$(dirname "$0")/../.." && pwd)"
libmobi=$1
builds=$(realpath -m "$2")
shift 2
source "$repo/tests/wine/wine_helpers.sh"
version=$(sed -n 's/^project(Quillsift VERSION \([0-9.]*\) .*/\1/p' "$repo/CMakeLists.txt")
work=$(mktemp -d "${TMPDIR:-/tmp}/release-test.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    [[ -d $WINEPREFIX ]] && wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

# The check of libmobi's tag, when the source is a tarball of the tag's files.
if [[ -f $libmobi ]]; then
    mkdir -p "$work/libmobi-repository"
    tar -xzf "$libmobi" -C "$work/libmobi-repository" --strip-components=1
    tagged() { # MESSAGE: the repository's files committed and tagged v0.11
        git -C "$work/libmobi-repository" -c user.name=test -c user.email=test@invalid \
            commit -q --allow-empty -am "$1" && git -C "$work/libmobi-repository" tag -f v0.11 >/dev/null
    }
    git -C "$work/libmobi-repository" init -q && git -C "$work/libmobi-repository" add -A && tagged release
    if bash "$repo/tools/fetch-libmobi.sh" "$work/fetched" "$work/libmobi-repository" >"$work/fetch.out" 2>&1 &&
        [[ $(tail -n 1 "$work/fetch.out") == "$work/fetched/libmobi-0.11.tar.gz" ]] &&
        tar -tzf "$work/fetched/libmobi-0.11.tar.gz" libmobi-0.11/src/mobi.h >/dev/null 2>&1; then
        pass "fetch-libmobi.sh: $(grep '^libmobi v0.11' "$work/fetch.out")"
    else
        fail "fetch-libmobi.sh refuses libmobi 0.11: $(cat "$work/fetch.out")"
    fi
    echo "/* moved */" >>"$work/libmobi-repository/src/util.c"
    tagged moved
    bash "$repo/tools/fetch-libmobi.sh" "$work/fetched" "$work/libmobi-repository" >"$work/fetch.out" 2>&1 &&
        fail "fetch-libmobi.sh takes a tag moved to another src/" ||
        pass "fetch-libmobi.sh refuses a tag moved to another src/"
fi

# A throwaway authority, a code-signing certificate it issues, and the PKCS#12 file of both.
authority() { # NAME
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/$1.key" -out "$work/$1.pem" -days 2 \
        -subj "/CN=$1" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" >/dev/null 2>&1
}
authority "Quillsift Test CA" && authority "Another Test CA" || fail "openssl made no authority"
ca="$work/Quillsift Test CA.pem"
openssl req -newkey rsa:2048 -nodes -keyout "$work/signer.key" -out "$work/signer.csr" \
    -subj "/CN=Quillsift Test Signer" >/dev/null 2>&1
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" >"$work/signer.ext"
openssl x509 -req -in "$work/signer.csr" -CA "$ca" -CAkey "$work/Quillsift Test CA.key" \
    -CAcreateserial -out "$work/signer.pem" -days 2 -extfile "$work/signer.ext" >/dev/null 2>&1
password="throwaway-$RANDOM$RANDOM"
openssl pkcs12 -export -out "$work/signer.pfx" -inkey "$work/signer.key" -in "$work/signer.pem" \
    -certfile "$ca" -passout "pass:$password" >/dev/null 2>&1 || fail "openssl made no PKCS#12 file"

out="$work/out"
started=$SECONDS
if QUILLSIFT_SIGN_PFX="$work/signer.pfx" QUILLSIFT_SIGN_PASSWORD=$password \
    bash "$repo/tools/release.sh" "$libmobi" "$out" "$builds" "$@" >"$work/release.log" 2>&1; then
    pass "tools/release.sh: $((SECONDS - started)) s"
else
    tail -n 200 "$work/release.log"
    fail "tools/release.sh failed"
    exit 1
fi
grep -A 10 "^release $version in" "$work/release.log"

# The files of each Windows architecture: ARCH:ZIP_NAME.
architectures=(x64:win64 arm64:arm64)
deb=quillsift_${version}_$(dpkg --print-architecture).deb
windows_files=()
for entry in "${architectures[@]}"; do
    windows_files+=("quillsift-$version-${entry%:*}.msi" "quillsift-$version-${entry#*:}.zip"
        "quillsift-$version-${entry%:*}-debug.zip")
done
made=$(printf '%s\n' "$deb" "${windows_files[@]}" | LC_ALL=C sort | tr '\n' ' ')
files=$(cd "$out" && ls | grep -vx SHA256SUMS | LC_ALL=C sort | tr '\n' ' ')
[[ $files == "$made" && -f $out/SHA256SUMS ]] && pass "the files: $files SHA256SUMS" ||
    fail "the files: $files, not $made SHA256SUMS"
listed=$(cut -d' ' -f3 "$out/SHA256SUMS" | LC_ALL=C sort | tr '\n' ' ')
(cd "$out" && sha256sum --quiet -c SHA256SUMS) && [[ $listed == "$made" ]] &&
    pass "SHA256SUMS checks every file" || fail "SHA256SUMS lists $listed"
for file in $deb "${windows_files[@]}"; do
    grep -q "$file *$(stat -c %s "$out/$file") bytes  $(sha256sum "$out/$file" | cut -d' ' -f1)" \
        "$work/release.log" || fail "release.sh does not print $file with its size and hash"
done
grep -q "^release.sh: signing with" "$work/release.log" || fail "release.sh does not say it signs"

# The machine a PE file is built for: the field after the "PE\0\0" signature.
machine() {
    python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
offset = struct.unpack_from("<I", data, 0x3C)[0]
print("0x%04X" % struct.unpack_from("<H", data, offset + 4)[0])' "$1"
}
for entry in "${architectures[@]}"; do
    arch=${entry%:*}
    msi=quillsift-$version-$arch.msi
    zip=quillsift-$version-${entry#*:}.zip
    debug_zip=quillsift-$version-$arch-debug.zip
    # GNU's tools read x64 programs; LLVM's, ARM64 ones.
    expected_machine=0x8664 objdump=x86_64-w64-mingw32-objdump objcopy=x86_64-w64-mingw32-objcopy
    [[ $arch == arm64 ]] && expected_machine=0xAA64 objdump=llvm-objdump-19 objcopy=llvm-objcopy-19

    # The zip's and the installer's programs: the same bytes, for the architecture.
    mkdir -p "$work/$arch/zip" "$work/$arch/msi" "$work/$arch/debug"
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
        "$out/$zip" "$work/$arch/zip"
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
        "$out/$debug_zip" "$work/$arch/debug"
    msiextract -C "$work/$arch/msi" "$out/$msi" >/dev/null 2>&1
    shipped="$work/$arch/zip/${zip%.zip}"
    for program in quillsift.dll quillsift-host.exe; do
        installed=$(find "$work/$arch/msi" -name "$program" | head -n 1)
        cmp -s "$shipped/$program" "$installed" &&
            pass "$arch $program: the same in the zip and the installer" ||
            fail "$arch $program differs between the zip and the installer"
        found=$(machine "$shipped/$program")
        [[ $found == "$expected_machine" ]] && pass "$arch $program: machine $found" ||
            fail "$arch $program is for the machine $found, not $expected_machine"
    done

    # Signed, by this authority and no other.
    for file in "$shipped/quillsift.dll" "$shipped/quillsift-host.exe" "$out/$msi"; do
        name="$arch $(basename "$file")"
        if osslsigncode verify -CAfile "$ca" -in "$file" >"$work/verify.txt" 2>&1; then
            pass "osslsigncode verify -CAfile $name: $(grep -E '^Signature verification' "$work/verify.txt" | tr '\n' ' ')"
            grep -E 'Message digest algorithm|Subject:|Signature verification' "$work/verify.txt" | sed 's/^/     /'
        else
            fail "osslsigncode verify -CAfile $name:"
            tail -n 15 "$work/verify.txt"
        fi
        osslsigncode verify -CAfile "$work/Another Test CA.pem" -in "$file" >/dev/null 2>&1 &&
            fail "$name verifies against another authority" || pass "$name: refused against another authority"
    done

    # Stripped, with a link to the debug zip's file, which holds the DWARF.
    for program in quillsift.dll quillsift-host.exe; do
        sections=$($objdump -h "$shipped/$program" | awk '{ print $2 }')
        debug_sections=$($objdump -h "$work/$arch/debug/$program.debug" | awk '{ print $2 }')
        if grep -q '^\.debug_info$' <<<"$sections"; then
            fail "$arch $program ships its debug information"
        elif ! grep -q '^\.debug_info$' <<<"$debug_sections"; then
            fail "$arch $program.debug holds no .debug_info"
        else
            rm -f "$work/link.bin"
            $objcopy --dump-section .gnu_debuglink="$work/link.bin" "$shipped/$program" /dev/null 2>/dev/null
            link=$(python3 - "$work/link.bin" "$work/$arch/debug/$program.debug" <<'PY'
import struct, sys, zlib
link = open(sys.argv[1], "rb").read()
name = link[:link.index(b"\0")].decode()
crc = struct.unpack("<I", link[-4:])[0]
actual = zlib.crc32(open(sys.argv[2], "rb").read()) & 0xFFFFFFFF
print(name if crc == actual else "CRC %08x, the file's %08x" % (crc, actual))
PY
            )
            [[ $link == "$program.debug" ]] &&
                pass "$arch $program: $(stat -c %s "$shipped/$program") bytes, stripped; its link names $link (CRC matching), $(stat -c %s "$work/$arch/debug/$program.debug") bytes" ||
                fail "$arch $program: its debug link: $link"
        fi
    done
done
msi=quillsift-$version-x64.msi

# The signed x64 installer under Wine: installed, its host finding the filter, removed. (This
# machine's Wine runs no ARM64 program: the CI stage arm64 installs its package under
# emulation.)
unset DISPLAY WAYLAND_DISPLAY
wineboot -i >/dev/null 2>&1
wine msiexec /i "$(windows_path "$out/$msi")" /qn >/dev/null 2>&1
status=$?
installed="$WINEPREFIX/drive_c/Program Files/Quillsift"
[[ $status -eq 0 && -f $installed/quillsift.dll ]] && pass "the signed installer installs under Wine" ||
    fail "the signed installer under Wine: exit $status"
osslsigncode verify -CAfile "$ca" -in "$installed/quillsift.dll" >/dev/null 2>&1 &&
    pass "the installed quillsift.dll is the signed one" || fail "the installed quillsift.dll is not signed"
"$builds/deb/tools/quillsift-dump" --json --quiet "$repo/testdata/harbor-kf8.azw3" >"$work/native.json"
wine "$installed/quillsift-host.exe" --json "$(windows_path "$repo/testdata/harbor-kf8.azw3")" \
    >"$work/host.json" 2>/dev/null
cmp -s "$work/native.json" "$work/host.json" &&
    pass "the installed host finds the filter and prints the native dump's bytes" ||
    fail "the installed host's dump differs from the native one"
wine msiexec /x "$(windows_path "$out/$msi")" /qn >/dev/null 2>&1
[[ $? -eq 0 && ! -e $installed ]] && pass "removed" || fail "the removal left $installed"

# What the release workflow does next, dry: the files checked, nothing published.
bash "$repo/tools/publish-release.sh" --dry-run "$out" "v$version" >"$work/publish.out" 2>&1 &&
    pass "$(cat "$work/publish.out")" || fail "publish-release.sh --dry-run: $(cat "$work/publish.out")"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every release check passed"
