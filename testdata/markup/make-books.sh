#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Remakes the books of this folder from their sources with calibre (Debian's calibre package;
# the books were made with ebook-convert 6.13.0). Each SOURCE folder holds an EPUB's files:
# content.opf, nav.xhtml, the chapters and the style sheet. They are packed into an EPUB, and
# the EPUB is converted twice:
#   ebook-convert SOURCE.epub SOURCE-kf7.mobi --mobi-file-type old
#   ebook-convert SOURCE.epub SOURCE-kf8.azw3
# CI needs no calibre: the books are committed with their sources. calibre stamps every book it
# writes anew, so remake only the books whose sources changed. Usage: make-books.sh [SOURCE...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

sources=("$@")
[ ${#sources[@]} -ne 0 ] || sources=(almanac tides lexique kaze)
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
