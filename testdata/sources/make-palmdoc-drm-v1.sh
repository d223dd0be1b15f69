#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Remakes ../palmdoc-drm-v1.prc: the plain PalmDOC book of palmdoc-drm-v1.txt, encrypted with
# DRM v1 by libmobi's mobidrm (Debian's libmobi-tools). Such a book keeps its key in a 65-byte
# record 0 and libmobi decrypts it without a PID. mobidrm draws a new key each run, so the book's
# bytes change while its text does not; the script checks that libmobi gives the text back.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 "$here/make_palmdoc.py" "Salt Road Notes" "$here/palmdoc-drm-v1.txt" "$work/plain.pdb"
mobidrm -e -o "$work" "$work/plain.pdb" >/dev/null
(cd "$work" && mobitool -d plain-encrypted.mobi >/dev/null)
cmp "$work/plain-encrypted.rawml" "$here/palmdoc-drm-v1.txt"
cp "$work/plain-encrypted.mobi" "$here/../palmdoc-drm-v1.prc"
echo "wrote $here/../palmdoc-drm-v1.prc"
