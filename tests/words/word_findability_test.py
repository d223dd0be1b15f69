#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""Every word that an HTML reader sees in a book can be found in the filter's text.

    word_findability_test.py DUMP_TOOL MARKUP_PARTS BOOK...

For each book, markup_parts writes its HTML parts as libmobi rebuilds them for the filter, and
quillsift-dump --json gives the filter's text, one text chunk per part. Each part is read with
Python's html.parser: a block element (a paragraph, a list item, a table cell, a heading, a
line break...) ends a word, an inline element (i, b, span, a...) does not, so W<i>o</i>rd is
one word. Every word of the part's body must be a word of the part's text chunk. Words are
compared without accents and letter case, since the filter reduces accented-letter entities
to their base letter. A word the filter glued to its neighbour is reported with the glued form.
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import unicodedata
from html.parser import HTMLParser

# Elements that an HTML reader lays out as blocks, lines, rows or cells, and line breaks:
# between two of them a reader never joins two words.
BLOCK_ELEMENTS = frozenset("""
    address article aside blockquote body br caption center col colgroup dd details dialog dir
    div dl dt fieldset figcaption figure footer form frame frameset h1 h2 h3 h4 h5 h6 head
    header hgroup hr html legend li listing main menu nav ol optgroup option p plaintext pre
    search section summary table tbody td tfoot th thead title tr ul xmp mbp:pagebreak
""".split())
# Elements whose content is not text.
HIDDEN_ELEMENTS = frozenset(["script", "style", "head"])

WORD = re.compile(r"\w+")


def normalized(text):
    """Accents stripped, letter case folded."""
    decomposed = unicodedata.normalize("NFKD", text)
    return "".join(c for c in decomposed if not unicodedata.combining(c)).casefold()


def words_of(text):
    return WORD.findall(normalized(text))


class BodyWords(HTMLParser):
    """The words of a part's body, as a block-aware reader sees them."""

    def __init__(self, part):
        super().__init__(convert_charrefs=True)
        self.text = []
        # The filter takes a part's text from its body tag on, or all of it without one.
        self.in_body = "<body" not in part.lower()
        self.hidden = 0
        self.feed(part)
        self.close()

    def handle_starttag(self, tag, attrs):
        if tag == "body":
            self.in_body = True
        if tag in HIDDEN_ELEMENTS:
            self.hidden += 1
        if tag in BLOCK_ELEMENTS:
            self.text.append("\n")

    def handle_startendtag(self, tag, attrs):
        if tag in BLOCK_ELEMENTS:
            self.text.append("\n")

    def handle_endtag(self, tag):
        if tag in HIDDEN_ELEMENTS and self.hidden:
            self.hidden -= 1
        if tag in BLOCK_ELEMENTS:
            self.text.append("\n")

    def handle_data(self, data):
        if self.in_body and not self.hidden:
            self.text.append(data)

    def words(self):
        return words_of("".join(self.text))


def html_parts(markup_parts, book, folder):
    subprocess.run([markup_parts, book, folder], check=True)
    parts = []
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as part:
            parts.append(part.read().decode("utf-8", errors="replace"))
    return parts


def text_chunks(dump_tool, book):
    output = subprocess.run([dump_tool, "--json", "-q", book], check=True,
                            stdout=subprocess.PIPE).stdout
    lines = [json.loads(line) for line in output.decode("utf-8").splitlines()]
    return [line["text"] for line in lines if line.get("kind") == "text"]


def glued_form(word, text_words):
    """The shortest word of the filter's text that begins or ends with `word`, for the report."""
    glued = [w for w in text_words if w != word and (w.startswith(word) or w.endswith(word))]
    return min(glued, key=len) if glued else None


def check_book(dump_tool, markup_parts, book):
    """Returns (words, missing words) and prints what is missing."""
    with tempfile.TemporaryDirectory() as folder:
        parts = html_parts(markup_parts, book, folder)
    chunks = text_chunks(dump_tool, book)
    name = os.path.basename(book)
    if len(parts) != len(chunks):
        print(f"{name}: {len(parts)} HTML parts but {len(chunks)} text chunks")
        return 0, 1
    total = missing = 0
    for index, (part, chunk) in enumerate(zip(parts, chunks)):
        parser = BodyWords(part)
        text_words = set(words_of(chunk))
        for word in parser.words():
            total += 1
            if word not in text_words:
                missing += 1
                glued = glued_form(word, text_words)
                print(f"{name}: part {index}: '{word}' is not found"
                      + (f" (perhaps glued: '{glued}')" if glued else ""))
    print(f"{name}: {total} words, {missing} not found ({100.0 * missing / max(total, 1):.2f} %)")
    return total, missing


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    dump_tool, markup_parts, books = sys.argv[1], sys.argv[2], sys.argv[3:]
    # The reader itself: block elements part words, inline ones do not, the head is no text.
    sample = ("<html><head><title>T</title></head><body><li>one</li><li>two</li>"
              "W<i>o</i>rd<br class='x'/>caf&eacute;<td>A</td></body></html>")
    assert BodyWords(sample).words() == ["one", "two", "word", "cafe", "a"], "reader broken"
    total = missing = 0
    for book in books:
        book_total, book_missing = check_book(dump_tool, markup_parts, book)
        total += book_total
        missing += book_missing
    print(f"{len(books)} books: {total} words, {missing} not found")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
