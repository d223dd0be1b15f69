# SPDX-License-Identifier: LGPL-3.0-or-later
# What the Wine tests share (sourced): counting checks, Windows paths, timing, and reading the
# prefix's registry with Wine's reg.

failures=0
pass() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# An absolute Linux path as Windows sees it: Wine's drive Z: is the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# The host's output with the native paths and name: FILE, WINDOWS_FOLDER, FOLDER. A path
# below the folder keeps its Windows separators.
as_native() {
    python3 - "$@" <<'PY'
import sys
path, windows, native = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
text = text.replace(windows.replace("\\", "\\\\") + "\\\\", native + "/")
text = text.replace(windows + "\\", native + "/").replace("quillsift-host: ", "quillsift-dump: ")
sys.stdout.write(text)
PY
}
seconds_since() { echo "$(($(date +%s%N) - $1))" | awk '{ printf "%.1f", $1 / 1e9 }'; }

# Prints the values of each tree, one line each: key, name, type, data, tab-separated. reg
# prints a key on a line of its own and each value below it as "    NAME    TYPE    DATA",
# with CRLF line ends. A tree that is not there prints nothing; returns reg's failure then.
registry_values() {
    local tree output status=0 line key name rest type
    for tree in "$@"; do
        output=$(wine reg query "$tree" /s 2>/dev/null) || status=1
        while IFS= read -r line; do
            line=${line%$'\r'}
            case $line in
            HKEY_*) key=$line ;;
            '    '*)
                line=${line#    }
                name=${line%%    *}
                rest=${line#*    }
                type=${rest%%    *}
                printf '%s\t%s\t%s\t%s\n' "$key" "$name" "$type" "${rest#*    }"
                ;;
            esac
        done <<<"$output"
    done
    return $status
}

# On a loaded machine Wine's reg has now and then printed nothing for a value that is there
# (checks passed on a rerun, the values beside it read in the same loop): ask a second time
# before a missing value counts.
registry_value() { # key, value name ("" for the default value)
    local query=(/ve) attempt found
    [[ -n $2 ]] && query=(/v "$2")
    for attempt in 1 2; do
        found=$(wine reg query "$1" "${query[@]}" 2>/dev/null | tr -d '\r' |
            awk -F '    ' 'NF >= 4 { print $4 }')
        [[ -n $found ]] && break
    done
    printf '%s' "$found"
}

expect_value() { # key, name, data
    local found
    found=$(registry_value "$1" "$2")
    [[ $found == "$3" ]] && pass "$1 ${2:-(Default)}" ||
        fail "$1 ${2:-(Default)} is '$found', not '$3'"
}

# An installed host against the native dump: its filter (--json) and its property handler
# (--properties) on each book. Uses $native_dump, $testdata and $work.
expect_host_as_native() { # host, book...
    local host=$1 book
    shift
    for book in "$@"; do
        "$native_dump" --json --quiet "$testdata/$book" >"$work/native.json" 2>/dev/null
        wine "$host" --json "$(windows_path "$testdata/$book")" >"$work/host.json"
        cmp -s "$work/native.json" "$work/host.json" && pass "$book: the installed filter, as the native dump" ||
            fail "$book: the installed filter's output differs from the native dump"
        "$native_dump" --properties "$testdata/$book" >"$work/native.json" 2>/dev/null
        wine "$host" --properties "$(windows_path "$testdata/$book")" >"$work/host.json"
        cmp -s "$work/native.json" "$work/host.json" && pass "$book: the installed property handler, as the native dump" ||
            fail "$book: the installed property handler's output differs from the native dump"
    done
}

# msiexec with its arguments, timed, its exit status (modulo 256) in $status, its output in
# $work/msiexec.out.
msiexec() {
    local began
    began=$(date +%s%N)
    wine msiexec "$@" >"$work/msiexec.out" 2>&1
    status=$?
    echo "msiexec $*: exit $status, $(seconds_since "$began") s"
}
