# SPDX-License-Identifier: LGPL-3.0-or-later
# The installer's tables as msiinfo reads them (sourced by the installer's tests, with
# wine_helpers.sh's pass and fail): what an x64 and an ARM64 package share and where they differ.
#   check_msi_tables MSI PLATFORM: the product's name, version, publisher, page, UpgradeCode and
#   ProductCode; the upgrade properties in SecureCustomProperties and the Upgrade rows; a 64-bit
#   package for PLATFORM (x64 or Arm64) whose seven files are the zip's, in
#   ProgramFiles64Folder\Quillsift, the DLL with its version in the File table; the message that
#   refuses an older version; the sequence and the custom actions. It leaves the sequence in
#   $sequence, which at() reads.
# QUILLSIFT_VERSION is the project's version, QUILLSIFT_HOMEPAGE its page (empty: none, and then
# the package names none).

upgrade_code='{B6D2ED89-B1D0-4602-AF58-9D661DF22256}'
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
# The value of a row of the Property table.
property() { table "$1" Property | awk -F '\t' -v name="$2" '$1 == name { print $2 }'; }
msi_query() { # package, SQL
    msibuild "$1" -q "$2" >/dev/null 2>&1 || fail "msibuild could not run: $2"
}
# The sequence number of an action in $sequence.
at() { awk -F '\t' -v action="$1" '$1 == action { print $3 }' <<<"$sequence"; }

check_msi_tables() {
    local msi=$1 platform=$2 version=${QUILLSIFT_VERSION:?} homepage=${QUILLSIFT_HOMEPAGE-}
    local row found secure summary template subject name derived expected_upgrade upgrade files
    local expected_files dll_version folders folder repeated order expected_order
    local expected_actions actions conditions expected_conditions
    for row in "ProductName=Quillsift" "ProductVersion=$version" "Manufacturer=Quillsift" \
        "UpgradeCode=$upgrade_code" "ARPURLINFOABOUT=$homepage" "ARPNOMODIFY=1" "ALLUSERS=1"; do
        found=$(property "$msi" "${row%%=*}")
        [[ $found == "${row#*=}" ]] && pass "property $row" || fail "property ${row%%=*} is '$found'"
    done
    if [[ -z $homepage ]]; then
        table "$msi" Property | grep -q '^ARPURLINFOABOUT' && fail "an ARPURLINFOABOUT row without a page" ||
            pass "no page: no ARPURLINFOABOUT row"
    fi
    # Without them in SecureCustomProperties, an elevated installation started by a user who is
    # not an administrator loses what FindRelatedProducts found, and the older version stays.
    secure=$(property "$msi" SecureCustomProperties)
    [[ ";$secure;" == *";WIX_UPGRADE_DETECTED;"* && ";$secure;" == *";WIX_DOWNGRADE_DETECTED;"* ]] &&
        pass "SecureCustomProperties: $secure" || fail "SecureCustomProperties is '$secure'"
    summary=$(msiinfo suminfo "$msi")
    template=$(sed -n 's/^Template: //p' <<<"$summary")
    [[ $template == "$platform;1033" ]] && pass "a package for $platform" || fail "template '$template'"
    subject=$(sed -n 's/^Subject: //p' <<<"$summary")
    [[ $subject == "Quillsift $version: "* ]] && pass "its subject: $subject" ||
        fail "its subject is '$subject'"
    # One UpgradeCode for both architectures, a ProductCode of its own for each: derived from the
    # UpgradeCode and "Quillsift VERSION" (x64, as before ARM64 had packages) or
    # "Quillsift VERSION arm64".
    name="Quillsift $version"
    [[ $platform == x64 ]] || name+=" ${platform,,}"
    derived=$(python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
        "$upgrade_code" "$name")
    [[ $(property "$msi" ProductCode) == "$derived" ]] && pass "ProductCode $derived, of '$name'" ||
        fail "ProductCode $(property "$msi" ProductCode), not that of '$name' ($derived)"
    # The row that finds older versions includes this version (512): the package of the other
    # architecture of the same version is replaced too. The one that finds newer ones does not.
    expected_upgrade=$(
        printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' \
            "$upgrade_code" "" "$version" "" 513 "" WIX_UPGRADE_DETECTED \
            "$upgrade_code" "$version" "" "" 2 "" WIX_DOWNGRADE_DETECTED
    )
    upgrade=$(table "$msi" Upgrade | sort -t $'\t' -k5,5nr)
    [[ $upgrade == "$expected_upgrade" ]] && pass "the Upgrade rows (older ones up to this version)" ||
        fail "the Upgrade rows differ:"$'\n'"$upgrade"
    files=$(table "$msi" File | cut -f3 | sort | tr '\n' ' ')
    expected_files="COPYING.txt INSTALL.txt LIBMOBI.txt LICENSE.txt libmobi-COPYING.txt quillsift-host.exe quillsift.dll "
    [[ $files == "$expected_files" ]] && pass "the zip's files: $files" || fail "files: $files"
    dll_version=$(table "$msi" File | awk -F '\t' '$3 == "quillsift.dll" { print $5 }')
    [[ $dll_version == "$version.0" ]] && pass "the DLL's version in the File table" ||
        fail "the DLL's version in the File table is '$dll_version'"
    folders=$(table "$msi" Component | awk -F '\t' '{ print $3 ":" int($4 / 256) % 2 }' | sort -u)
    [[ $folders == INSTALLFOLDER:1 ]] && pass "every component 64-bit, in INSTALLFOLDER" ||
        fail "components: $folders"
    folder=$(table "$msi" Directory | awk -F '\t' '$1 == "INSTALLFOLDER" { print $2 "\\" $3 }')
    [[ $folder == 'ProgramFiles64Folder\Quillsift' ]] && pass "INSTALLFOLDER is $folder" ||
        fail "INSTALLFOLDER is $folder"
    grep -qxF $'NOT WIX_DOWNGRADE_DETECTED\tA newer version of Quillsift is already installed. To install this one, uninstall that one first (Settings, Apps).' \
        <(table "$msi" LaunchCondition) && pass "an older version is refused with a message" ||
        fail "no downgrade condition: $(table "$msi" LaunchCondition)"

    sequence=$(table "$msi" InstallExecuteSequence | sort -t $'\t' -k3,3n)
    repeated=$(cut -f3 <<<"$sequence" | sort -n | uniq -d | tr '\n' ' ')
    [[ -z $repeated ]] && pass "no sequence number repeats" || fail "repeated sequence numbers: $repeated"
    [[ $(at RemoveExistingProducts) == 1401 && $(at InstallValidate) == 1400 &&
        $(at InstallInitialize) == 1500 ]] &&
        pass "RemoveExistingProducts at 1401, before anything is installed" ||
        fail "RemoveExistingProducts at $(at RemoveExistingProducts)"
    # Each action in its place: the rollback right before what it undoes, the unregistration
    # before the files go, the registration after they are in, all before InstallFinalize.
    order=$(awk -F '\t' '{ print $1 }' <<<"$sequence" | tr '\n' ' ')
    expected_order="UnregisterRollback Unregister RemoveFiles InstallFiles .* RegisterRollback Register Reindex InstallFinalize $"
    [[ $order =~ $expected_order ]] && pass "the custom actions in their places" ||
        fail "sequence order: $order"
    # Deferred (1024) and not impersonated (2048), an exe from the File table (18); 64 ignores the
    # exit status; 256 makes a rollback action.
    expected_actions=$(
        printf '%s\t%s\t%s\t%s\n' \
            Register 3090 QuillsiftHostExe --register \
            RegisterRollback 3410 QuillsiftHostExe --unregister \
            Reindex 3154 QuillsiftHostExe --reindex \
            Unregister 3154 QuillsiftHostExe --unregister \
            UnregisterRollback 3410 QuillsiftHostExe --register
    )
    actions=$(table "$msi" CustomAction | cut -f1-4 | grep -v '^SetInstallLocation' | sort)
    [[ $actions == "$expected_actions" ]] && pass "custom action types (rollback 3410)" ||
        fail "custom actions differ:"$'\n'"$actions"
    conditions=$(awk -F '\t' '$1 ~ /^(Unr|R)egister(Rollback)?$|^Reindex$/ { print $1 ": " $2 }' \
        <<<"$sequence" | sort)
    expected_conditions=$(
        printf '%s\n' 'Register: NOT REMOVE' 'RegisterRollback: NOT REMOVE' \
            'Reindex: NOT REMOVE AND REINDEX<>"0"' 'Unregister: REMOVE~="ALL"' \
            'UnregisterRollback: REMOVE~="ALL"'
    )
    [[ $conditions == "$expected_conditions" ]] && pass "conditions of the custom actions" ||
        fail "conditions: $conditions"
}
