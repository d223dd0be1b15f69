#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The memory the filter needs for text-heavy books of many parts. Makes books of generated
# prose (chapters of about 4,200 characters, one HTML part each) with calibre's ebook-convert,
# the writer of the test books: as KF8 (.azw3) and as KF7 (.mobi, one part), each with plain
# markup (a <p> per paragraph; CHAPTERS chapters, default 2000) and with dense markup (a
# <span class> per word, as in books whose every element is styled; a fifth as many chapters,
# which calibre is slow to write). book_memory then filters each in a fresh process
# and reports its peak; the uncompressed size of each book's markup, which libmobi holds
# rebuilt, is printed beside it (the text length of record 0).
#   bash bench/text-book-memory.sh BUILD [CHAPTERS]      e.g. bench/text-book-memory.sh build-rel 2000
set -euo pipefail
build=$1
chapters=${2:-2000}
if ! command -v ebook-convert >/dev/null; then
    # calibre writes the books; only this benchmark needs it, so CI does not install it.
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends calibre
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/text-book-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Generated prose: words of a fixed list, drawn by a fixed seed, so every run makes the same books.
make_source() { # folder, markup (plain or dense), chapters
    python3 - "$1" "$2" "$3" <<'PY'
import os, random, sys
folder, markup, chapters = sys.argv[1], sys.argv[2], int(sys.argv[3])
words = ("harbor lantern ledger tide keel mast rope gull salt brine anchor compass chart reef "
         "squall dusk quay pier sail wharf beacon current fathom hull").split()
draw = random.Random(7)
os.makedirs(folder)
with open(os.path.join(folder, "s.css"), "w") as css:
    css.write(".a{font-style:italic}.b{font-weight:bold}.c{color:#333}")
items, spine = [], []
for chapter in range(chapters):
    paragraphs, length = [], 0
    while length < 4200:
        chosen = [draw.choice(words) for _ in range(60)]
        length += len(" ".join(chosen)) + 2
        if markup == "dense":
            chosen = ['<span class="%s">%s</span>' % ("abc"[i % 3], w) for i, w in enumerate(chosen)]
        paragraphs.append('<p class="p">%s.</p>' % " ".join(chosen))
    name = "c%04d.xhtml" % chapter
    with open(os.path.join(folder, name), "w") as page:
        page.write('<?xml version="1.0" encoding="utf-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml">'
                   '<head><title>Chapter %d</title><link rel="stylesheet" href="s.css" type="text/css"/>'
                   '</head><body><h1>Chapter %d</h1>\n%s\n</body></html>'
                   % (chapter + 1, chapter + 1, "\n".join(paragraphs)))
    items.append('<item id="c%d" href="%s" media-type="application/xhtml+xml"/>' % (chapter, name))
    spine.append('<itemref idref="c%d"/>' % chapter)
items.append('<item id="css" href="s.css" media-type="text/css"/>')
with open(os.path.join(folder, "book.opf"), "w") as opf:
    opf.write('<?xml version="1.0" encoding="utf-8"?>\n<package xmlns="http://www.idpf.org/2007/opf" '
              'version="2.0" unique-identifier="id"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/">'
              '<dc:title>Tideline Ledger</dc:title><dc:creator>Mara Tolvane</dc:creator>'
              '<dc:identifier id="id">tideline</dc:identifier><dc:language>en</dc:language></metadata>'
              '<manifest>%s</manifest><spine>%s</spine></package>' % ("\n".join(items), "\n".join(spine)))
PY
}

# The uncompressed text length that record 0 declares, in MiB.
markup_mib() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
record0 = struct.unpack(">I", data[78:82])[0]
print("%.1f" % (struct.unpack(">I", data[record0 + 4:record0 + 8])[0] / 1048576))
PY
}

for markup in plain dense; do
    count=$chapters
    [[ $markup == dense ]] && count=$((chapters / 5))
    make_source "$work/$markup" "$markup" "$count"
    for kind in azw3 mobi; do
        book="$work/$markup.$kind"
        options=()
        [[ $kind == mobi ]] && options=(--mobi-file-type old)
        ebook-convert "$work/$markup/book.opf" "$book" "${options[@]}" >/dev/null 2>&1
        echo "$markup markup, $count chapters, .$kind: $(markup_mib "$book") MiB of markup"
        "$build/bench/book_memory" --book "$book" 0
    done
done
