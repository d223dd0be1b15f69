#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# The memory the filter needs for text-heavy books of many parts, and the time to its first
# text. Makes books of generated prose (chapters of about 4,200 characters, one HTML part each)
# with calibre's ebook-convert, the writer of the test books: as KF8 (.azw3) and as KF7 (.mobi,
# one part), each with plain markup (a <p> per paragraph) and with dense markup (a <span class>
# per word, as in books whose every element is styled), CHAPTERS chapters each (default 2000).
# With --large, also a book of each form holding at least 100 MiB of markup (plain, 2,000
# chapters of 48,000 characters; calibre takes some minutes over each). book_memory then filters each in a fresh
# process and reports its peak and the time to the first text, then makes its preview's page in
# another and reports its peak and time; the size of each book's markup, as libmobi rebuilds
# it, and of its largest part are printed beside it.
#   bash bench/text-book-memory.sh [--large] [--books DIR] BUILD [CHAPTERS]
# --books keeps the books in DIR and reuses those already there, so that two builds can be
# measured on the same books.
set -euo pipefail
large=0
books=""
while [[ ${1:-} == --* ]]; do
    case $1 in
    --large) large=1 ;;
    --books)
        books=$2
        shift
        ;;
    *)
        echo "usage: text-book-memory.sh [--large] [--books DIR] BUILD [CHAPTERS]" >&2
        exit 2
        ;;
    esac
    shift
done
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
books=${books:-$work}
mkdir -p "$books"

# Generated prose: words of a fixed list, drawn by a fixed seed, so every run makes the same books.
make_source() { # folder, markup (plain or dense), chapters, characters per chapter
    python3 - "$1" "$2" "$3" "$4" <<'PY'
import os, random, sys
folder, markup, chapters, characters = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
words = ("harbor lantern ledger tide keel mast rope gull salt brine anchor compass chart reef "
         "squall dusk quay pier sail wharf beacon current fathom hull").split()
draw = random.Random(7)
os.makedirs(folder)
with open(os.path.join(folder, "s.css"), "w") as css:
    css.write(".a{font-style:italic}.b{font-weight:bold}.c{color:#333}")
items, spine = [], []
for chapter in range(chapters):
    paragraphs, length = [], 0
    while length < characters:
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

measure() { # markup, chapters, characters per chapter, kind
    local markup=$1 count=$2 characters=$3 kind=$4
    local name="$markup-$count"
    [[ $characters -eq 4200 ]] || name="$name-$characters"
    local book="$books/$name.$kind"
    if [[ ! -f $book ]]; then
        [[ -d $work/$name ]] || make_source "$work/$name" "$markup" "$count" "$characters"
        local options=()
        [[ $kind == mobi ]] && options=(--mobi-file-type old)
        # calibre tells the output's format from its extension.
        ebook-convert "$work/$name/book.opf" "$books/partial.$kind" "${options[@]}" >/dev/null 2>&1
        mv "$books/partial.$kind" "$book"
    fi
    echo "$markup markup, $count chapters of $characters characters, .$kind:" \
        "$("$build/bench/book_memory" --parts "$book")"
    "$build/bench/book_memory" --book "$book" 0
    echo "  its preview (the pane's page, without a window):"
    "$build/bench/book_memory" --book "$book" --reader preview 0 | tail -n 1
}

for markup in plain dense; do
    for kind in azw3 mobi; do
        measure "$markup" "$chapters" 4200 "$kind"
    done
done
if [[ $large -eq 1 ]]; then
    for kind in azw3 mobi; do
        measure plain 2000 48000 "$kind"
    done
fi
