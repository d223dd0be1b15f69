#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Packs an EPUB source folder (content.opf, nav.xhtml, chapters, style sheet, pictures) into an
# EPUB with fixed dates, and converts it with calibre twice:
#   ebook-convert SOURCE.epub OUT-kf7.mobi --mobi-file-type old
#   ebook-convert SOURCE.epub OUT-kf8.azw3
# Usage: convert-epub-source.sh SOURCE_FOLDER OUT_PREFIX
set -euo pipefail
source_folder=$1
out=$2
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 - "$source_folder" "$work/book.epub" <<'PY'
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
ebook-convert "$work/book.epub" "$out-kf7.mobi" --mobi-file-type old >/dev/null
ebook-convert "$work/book.epub" "$out-kf8.azw3" >/dev/null
