#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The copy of a built Windows program or DLL that the packages ship: its debug information
# (DWARF, most of the file) moved to a file of its own for the debug zip, the shipped copy
# stripped with a debug link to that file (by name and CRC, as gdb finds it), then signed when a
# key is given.
# Usage: ship-binary.sh BUILT SHIPPED DEBUG OBJCOPY [PFX [TIMESTAMP_URL [URL]]]
set -euo pipefail
if [[ $# -lt 4 || $# -gt 7 ]]; then
    echo "usage: $0 BUILT SHIPPED DEBUG OBJCOPY [PFX [TIMESTAMP_URL [URL]]]" >&2
    exit 2
fi
built=$(realpath "$1")
shipped=$(realpath -m "$2")
debug=$(realpath -m "$3")
objcopy=$4
pfx=${5:-}
mkdir -p "$(dirname "$shipped")" "$(dirname "$debug")"
"$objcopy" --only-keep-debug "$built" "$debug"
# The link names the debug file alone: it is looked for beside the program, or in a folder of
# debug files.
(cd "$(dirname "$debug")" &&
    "$objcopy" --strip-all --add-gnu-debuglink="$(basename "$debug")" "$built" "$shipped.new")
if [[ -n $pfx ]]; then
    bash "$(dirname "$0")/sign-file.sh" "$shipped.new" "$pfx" "${6:-}" "${7:-}"
fi
mv "$shipped.new" "$shipped"
