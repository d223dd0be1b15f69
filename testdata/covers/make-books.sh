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
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

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
    python3 - "$here/$source" "$work/$source.epub" <<'PY'
import os, sys, zipfile
source, epub = sys.argv[1:3]
container = ('<?xml version="1.0"?>\n<container version="1.0" '
             'xmlns="urn:oasis:names:tc:opendocument:xmlns:container">'
             '<rootfiles><rootfile full-path="OEBPS/content.opf" '
             'media-type="application/oebps-package+xml"/></rootfiles></container>\n')
with zipfile.ZipFile(epub, "w") as book:
    book.writestr(zipfile.ZipInfo("mimetype", (2026, 1, 1, 0, 0, 0)), "application/epub+zip")
    book.writestr(zipfile.ZipInfo("META-INF/container.xml", (2026, 1, 1, 0, 0, 0)), container,
                  zipfile.ZIP_DEFLATED)
    for name in sorted(os.listdir(source)):
        with open(os.path.join(source, name), "rb") as f:
            book.writestr(zipfile.ZipInfo("OEBPS/" + name, (2026, 1, 1, 0, 0, 0)), f.read(),
                          zipfile.ZIP_DEFLATED)
PY
    ebook-convert "$work/$source.epub" "$here/$source-kf7.mobi" --mobi-file-type old >/dev/null
    ebook-convert "$work/$source.epub" "$here/$source-kf8.azw3" >/dev/null
done
