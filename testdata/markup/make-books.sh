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

sources=("$@")
[ ${#sources[@]} -ne 0 ] || sources=(almanac tides lexique kaze)
for source in "${sources[@]}"; do
    bash "$here/../sources/convert-epub-source.sh" "$here/$source" "$here/$source"
done
