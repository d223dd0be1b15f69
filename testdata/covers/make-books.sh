#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Remakes the cover test books from their sources with calibre (Debian's calibre package) and
# their cover pictures with Python's Pillow (python3-pil). Each SOURCE folder holds an EPUB's
# files; its cover is drawn here, so that its colours are known:
#   lantern/cover.jpg  300x450 JPEG, orange with a dark blue band along the bottom
#   meadow/cover.png   200x300 PNG, teal, its top third half transparent
# Each EPUB is converted twice, KF7 and KF8, as ../markup/make-books.sh does; calibre writes
# EXTH 201 (the cover) and 202 (its own smaller thumbnail) for a source with a cover.
# CI needs no calibre: the books are committed with their sources. Usage: make-books.sh [SOURCE...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# Debian's Pillow belongs to the system's Python, which a user's python3 may not be.
pil_python=python3
"$pil_python" -c 'import PIL' 2>/dev/null || pil_python=/usr/bin/python3
"$pil_python" - "$here" <<'PY'
import sys
from PIL import Image, ImageDraw
here = sys.argv[1]
lantern = Image.new("RGB", (300, 450), (240, 128, 32))
ImageDraw.Draw(lantern).rectangle((0, 390, 299, 449), fill=(20, 30, 90))
lantern.save(here + "/lantern/cover.jpg", quality=92)
meadow = Image.new("RGBA", (200, 300), (0, 128, 128, 255))
ImageDraw.Draw(meadow).rectangle((0, 0, 199, 99), fill=(0, 128, 128, 128))
meadow.save(here + "/meadow/cover.png")
PY

sources=("$@")
[ ${#sources[@]} -ne 0 ] || sources=(lantern meadow)
for source in "${sources[@]}"; do
    bash "$here/../sources/convert-epub-source.sh" "$here/$source" "$here/$source"
done
