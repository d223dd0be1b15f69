#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The installer: its tables as msiinfo reads them, then the package under Wine, whose msiexec
# runs real packages, custom actions included, in one fresh prefix:
#   an older version (a copy of the package patched to a lower version) installs silently
#   where there is no Windows Search, and quillsift-host --reindex says so by hand; with a
#   stand-in search manager registered, the package upgrades it (one entry in Programs and
#   Features, registered, the stand-in asked for SystemIndex and the three patterns); the
#   installed host finds the filter, the property handler and the thumbnail provider through
#   the registry and prints the native dump's bytes (the preview handler is registered beside
#   them, and goes with them); the older version is refused over it; a repair with REINDEX=0
#   puts back a deleted DLL and a deleted key and asks nothing; the uninstall string of Programs
#   and Features removes everything and puts back another program's property handler; an
#   install with REINDEX=0 asks nothing; a copy made to fail before the registration leaves no
#   file and no key.
# Wine gives exit codes modulo 256 (1603 is 67) and 1627 (91) where Windows gives 1603; it
# fills no EstimatedSize, so the size is not checked.
# Usage: installer_test.sh MSI STANDIN_DLL NATIVE_DUMP TESTDATA
# QUILLSIFT_VERSION is the project's version, QUILLSIFT_HOMEPAGE its page (empty: none, and then
# the package names none), QUILLSIFT_MSI_PLATFORM the package's platform (default x64).
set -uo pipefail

msi=$1
standin=$2
native_dump=$3
testdata=$4
version=${QUILLSIFT_VERSION:?}
homepage=${QUILLSIFT_HOMEPAGE-}
source "$(dirname "$0")/../wine/wine_helpers.sh"

# A folder whose name does not hold "quillsift": the stand-in's path is in the registry, which
# must hold nothing of Quillsift at the end.
work=$(mktemp -d "${TMPDIR:-/tmp}/msi-test.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    # WINEPREFIX is set: this stops the server of this prefix only.
    wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/msi_tables.sh"

# 1. The tables.
check_msi_tables "$msi" "${QUILLSIFT_MSI_PLATFORM:-x64}"

# An older version: a copy with a lower version, a ProductCode and a package code of its own,
# and the upgrade table a build of that version would have.
older_version=0.9.0
older="$work/quillsift-$older_version-x64.msi"
older_code='{0D3A6F0E-4F7B-4C36-9E57-3A54B1C0A901}'
cp "$msi" "$older"
msi_query "$older" "UPDATE \`Property\` SET \`Value\` = '$older_version' WHERE \`Property\` = 'ProductVersion'"
msi_query "$older" "UPDATE \`Property\` SET \`Value\` = '$older_code' WHERE \`Property\` = 'ProductCode'"
# The versions are keys of the Upgrade table: rows are replaced, not updated.
msi_query "$older" "DELETE FROM \`Upgrade\` WHERE \`Attributes\` = 513"
msi_query "$older" "DELETE FROM \`Upgrade\` WHERE \`Attributes\` = 2"
msi_query "$older" "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$older_version', 513, 'WIX_UPGRADE_DETECTED')"
msi_query "$older" "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$older_version', 2, 'WIX_DOWNGRADE_DETECTED')"
msibuild "$older" -s "Quillsift $older_version" Quillsift "${QUILLSIFT_MSI_PLATFORM:-x64};1033" \
    '{6E2B1C4D-8F3A-4B5C-9D6E-7F8091A2B3C4}' >/dev/null 2>&1
# A copy that fails after its files are in and before the registration: the host given an
# option it does not know (exit status 2), deferred, its status checked.
failing="$work/quillsift-failing-x64.msi"
cp "$msi" "$failing"
msi_query "$failing" "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('FailOnPurpose', 3090, 'QuillsiftHostExe', '--no-such-option')"
msi_query "$failing" "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('FailOnPurpose', $(($(at RegisterRollback) - 1)))"

# 2. Under Wine.
start=$(date +%s%N)
wineboot -i >/dev/null 2>&1
echo "wineboot of a fresh prefix: $(seconds_since "$start") s"

classes='HKEY_LOCAL_MACHINE\Software\Classes'
uninstall_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
property_handlers='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\PropertySystem\PropertyHandlers'
search_manager="$classes\\CLSID\\{7D096C5F-AC08-4F1F-BEB7-5C22C517CE39}"
class_ids=('{5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}' '{6D24E8A1-0F53-4e17-B93A-8C5D20F47E61}'
    '{C8313FCD-030E-4C95-8F1D-3A93ACC73D2C}' '{C6D123B7-C9F2-49D8-99B7-5F7B665E4AFC}'
    '{C59EB6AC-7416-4CF7-84CC-4372D2F7EA2E}')
installed="$WINEPREFIX/drive_c/Program Files/Quillsift"
installed_dll='C:\Program Files\Quillsift\quillsift.dll'
installed_host="$installed/quillsift-host.exe"
# Another program's property handler for .azw and values of others under .mobi, which the
# installation keeps and the uninstallation leaves or puts back.
other_properties='{00000000-1111-2222-3333-444444444444}'
wine reg add "$property_handlers\\.azw" /ve /d "$other_properties" /f >/dev/null
wine reg add "$classes\\.mobi" /v "Content Type" /d "application/x-mobipocket-ebook" /f >/dev/null
extension_before=$(registry_values "$classes\\.mobi")
# Every key of HKEY_LOCAL_MACHINE, but those of Windows Installer's own records, which the
# installations and removals below change as they must, and Wine's list of the machine's
# network adapters (NetworkCards), which its network service may write after the first list
# was taken.
machine_keys() {
    wine regedit /E "$(windows_path "$work/keys.reg")" HKEY_LOCAL_MACHINE >/dev/null 2>&1
    iconv -f UTF-16 -t UTF-8 "$work/keys.reg" | tr -d '\r' | grep '^\[' |
        grep -v -i -e '\\Installer\\' -e '\\Installer\]' -e '\\CurrentVersion\\Uninstall\\' -e '{7D096C5F-AC08-4F1F-BEB7-5C22C517CE39}' \
            -e '\\NetworkCards\\' | sort
}
machine_keys >"$work/keys-before.txt"

windows_log() { windows_path "$work/$1"; }
# The Programs and Features entries of Quillsift, one line each: key, name, version, publisher,
# page.
entries() {
    local key
    for key in $(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r' | grep '^HKEY'); do
        [[ $(registry_value "$key" DisplayName) == Quillsift ]] || continue
        printf '%s|%s|%s|%s\n' "${key##*\\}" "$(registry_value "$key" DisplayVersion)" \
            "$(registry_value "$key" Publisher)" "$(registry_value "$key" URLInfoAbout)"
    done
}
expect_registered() { # what
    expect_value "$classes\\CLSID\\${class_ids[0]}\\InProcServer32" "" "$installed_dll"
    expect_value "$classes\\.mobi\\PersistentHandler" "" "${class_ids[1]}"
    expect_value "$property_handlers\\.azw3" "" "${class_ids[2]}"
    expect_value "$classes\\SystemFileAssociations\\.azw\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}" "" "${class_ids[3]}"
    expect_value "$classes\\SystemFileAssociations\\.mobi\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}" "" "${class_ids[4]}"
    expect_value "$classes\\CLSID\\${class_ids[2]}\\PreviousPropertyHandler" .azw "$other_properties"
}
# Nothing of Quillsift in the registry (its name, its classes) nor on disk.
expect_nothing_left() { # when
    local left
    wine regedit /E "$(windows_path "$work/hklm.reg")" HKEY_LOCAL_MACHINE >/dev/null 2>&1
    left=$(iconv -f UTF-16 -t UTF-8 "$work/hklm.reg" |
        grep -i -e quillsift "${class_ids[@]/#/-e}" | head -3)
    [[ -z $left ]] && pass "$1: nothing of Quillsift in HKEY_LOCAL_MACHINE" ||
        fail "$1: left in the registry: $left"
    [[ ! -e $installed ]] && pass "$1: no Program Files\\Quillsift" ||
        fail "$1: left on disk: $(ls "$installed")"
}
calls() { cat "$work/search_manager_standin.dll.calls" 2>/dev/null; }

# The older version, where Windows Search is absent: the installation goes on.
msiexec /i "$(windows_path "$older")" /qn /l*v "$(windows_log older.log)"
[[ $status -eq 0 ]] && pass "the older version installed without Windows Search" ||
    fail "the older version: exit $status"
[[ $(entries) == *"|$older_version|"* ]] && pass "Programs and Features: $(entries)" ||
    fail "Programs and Features: $(entries)"
# What the installer's log cannot show: the host's own line and exit status.
wine "$installed_host" --reindex >"$work/reindex.out" 2>&1
status=$?
line=$(tr -d '\r' <"$work/reindex.out")
[[ $status -eq 4 && $(wc -l <"$work/reindex.out") -eq 1 && $line == *"Windows Search is not available"* ]] &&
    pass "quillsift-host --reindex by hand: exit 4, $line" ||
    fail "quillsift-host --reindex: exit $status, '$line'"

# The stand-in search manager, then the upgrade.
cp "$standin" "$work/search_manager_standin.dll"
wine reg add "$search_manager\\InProcServer32" /ve /d "$(windows_path "$work/search_manager_standin.dll")" /f >/dev/null
wine reg add "$search_manager\\InProcServer32" /v ThreadingModel /d Both /f >/dev/null
msiexec /i "$(windows_path "$msi")" /qn /l*v "$(windows_log install.log)"
[[ $status -eq 0 ]] && pass "the upgrade installed" || fail "the upgrade: exit $status"
grep -aq "Found application: $older_code" "$work/install.log" &&
    pass "the upgrade found the older version" || fail "the upgrade did not find $older_code"
[[ $(entries) == "$(property "$msi" ProductCode)|$version|Quillsift|$homepage" ]] &&
    pass "one entry in Programs and Features: $(entries)" ||
    fail "Programs and Features after the upgrade: $(entries)"
for file in quillsift.dll quillsift-host.exe INSTALL.txt LICENSE.txt COPYING.txt LIBMOBI.txt \
    libmobi-COPYING.txt; do
    [[ -s $installed/$file ]] || fail "no $file in Program Files\\Quillsift"
done
expect_registered
expected_calls=$(printf '%s\n' "GetCatalog SystemIndex" "ReindexMatchingURLs *.mobi" \
    "ReindexMatchingURLs *.azw" "ReindexMatchingURLs *.azw3")
[[ $(calls) == "$expected_calls" ]] && pass "the search manager was asked: $(calls | tr '\n' ';')" ||
    fail "the search manager was asked: $(calls | tr '\n' ';')"

# The installed host finds each class through the registry, as Windows does.
expect_host_as_native "$installed_host" harbor-kf7.mobi markup/lexique-kf8.azw3 covers/lantern-kf8.azw3
cp "$testdata/harbor-kf7.mobi" "$work/harbor.azw"
wine "$installed_host" --json "$(windows_path "$work/harbor.azw")" >"$work/host.json"
"$native_dump" --json --quiet "$testdata/harbor-kf7.mobi" >"$work/native.json" 2>/dev/null
cmp -s "$work/native.json" "$work/host.json" && pass "a .azw book: the filter, as the native dump" ||
    fail "a .azw book: the filter's output differs from the native dump"
wine "$installed_host" --thumbnail 96 "$(windows_path "$work/cover.bmp")" \
    "$(windows_path "$testdata/covers/lantern-kf8.azw3")" >"$work/thumbnail.out" 2>&1 &&
    [[ -s $work/cover.bmp ]] && pass "the thumbnail provider: $(tr -d '\r' <"$work/thumbnail.out")" ||
    fail "the thumbnail provider: $(cat "$work/thumbnail.out")"

# The older version over the newer one is refused.
msiexec /i "$(windows_path "$older")" /qn /l*v "$(windows_log downgrade.log)"
[[ $status -eq 67 && $(entries) == *"|$version|"* ]] &&
    pass "the older version is refused (1603), the newer one stays" ||
    fail "the older version over the newer: exit $status, $(entries)"

# Repair, with REINDEX=0: the deleted DLL and key come back, Windows Search is not asked.
cp "$installed/quillsift.dll" "$work/installed.dll"
rm "$installed/quillsift.dll"
wine reg delete "$classes\\.mobi\\PersistentHandler" /f >/dev/null 2>&1
rm -f "$work/search_manager_standin.dll.calls"
msiexec /i "$(windows_path "$msi")" REINSTALL=ALL REINSTALLMODE=omus REINDEX=0 /qn \
    /l*v "$(windows_log repair.log)"
[[ $status -eq 0 ]] && pass "repair" || fail "repair: exit $status"
cmp -s "$work/installed.dll" "$installed/quillsift.dll" && pass "repair put back quillsift.dll" ||
    fail "repair did not put back quillsift.dll"
expect_registered
[[ -z $(calls) ]] && pass "REINDEX=0: the search manager was not asked" ||
    fail "REINDEX=0: the search manager was asked: $(calls)"

# Uninstall as Programs and Features does, silently.
code=$(property "$msi" ProductCode)
uninstall=$(registry_value "$uninstall_key\\$code" UninstallString)
[[ ${uninstall,,} == "msiexec.exe /x${code,,}" ]] || fail "UninstallString is '$uninstall'"
msiexec /x "$code" /qn /l*v "$(windows_log uninstall.log)"
[[ $status -eq 0 ]] && pass "uninstall" || fail "uninstall: exit $status"
[[ -z $(entries) ]] && pass "no entry in Programs and Features" || fail "still listed: $(entries)"
expect_value "$property_handlers\\.azw" "" "$other_properties"
[[ $(registry_values "$classes\\.mobi") == "$extension_before" ]] &&
    pass "the values of others under .mobi are as they were" ||
    fail ".mobi: $(registry_values "$classes\\.mobi")"
expect_nothing_left "after the uninstall"
# No key that the installation made is left, empty or not.
machine_keys >"$work/keys-after.txt"
left=$(comm -13 "$work/keys-before.txt" "$work/keys-after.txt" | head -5)
[[ -z $left ]] && pass "after the uninstall: no key that was not there before" ||
    fail "after the uninstall: keys left: $left"

# A new install with REINDEX=0 asks nothing.
msiexec /i "$(windows_path "$msi")" REINDEX=0 /qn
[[ $status -eq 0 && -z $(calls) ]] && pass "an install with REINDEX=0 asks nothing" ||
    fail "an install with REINDEX=0: exit $status, calls: $(calls)"
msiexec /x "$(windows_path "$msi")" /qn
[[ $status -eq 0 ]] || fail "uninstall after REINDEX=0: exit $status"

# A failure before the registration rolls everything back.
msiexec /i "$(windows_path "$failing")" /qn /l*v "$(windows_log failing.log)"
[[ $status -eq 67 || $status -eq 91 ]] && pass "the failing copy fails (exit $status)" ||
    fail "the failing copy: exit $status"
grep -aq "FailOnPurpose" "$work/failing.log" || fail "the failing action did not run"
[[ -z $(entries) ]] && pass "rolled back: no entry in Programs and Features" ||
    fail "rolled back: still listed: $(entries)"
expect_nothing_left "after the rollback"
echo "under Wine: $(seconds_since "$start") s"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every installer check passed"
