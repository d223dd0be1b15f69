#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""Judges a picture of the preview pane that quillsift-host --preview wrote, from outside the
code: its words read back with tesseract, its cover against Pillow's own decode of the cover's
bytes, its colours by their values. Expectations come from the book as the native quillsift-dump
--json reads it (DUMP): its title (the first value chunk) and its text (the text chunks).

  preview_check.py text PICTURE DUMP LANG    the title and the first words of the text show
  preview_check.py words PICTURE LANG PHRASE...   each phrase shows
  preview_check.py cover PICTURE COVER       the cover's region: never enlarged, within the
                                             pane's width and half its height and no smaller
                                             than that needs, its aspect ratio kept, its mean
                                             colour Pillow's decode of COVER (over the pane's
                                             background)
  preview_check.py dark PICTURE              a dark background and light text
  preview_check.py later SCROLLED FIRST DUMP LANG   the scrolled picture shows text that comes
                                             after the text of the first
Prints what it saw; exits with 1 when the picture fails the check."""
import difflib
import json
import os
import re
import subprocess
import sys
import tempfile
import unicodedata

from PIL import Image, ImageChops, ImageOps

TITLE_PROPERTY = ("{F29F85E0-4FF9-1068-AB91-08002B27B3D9}", 2)
MATCH = 0.8
COLOUR_TOLERANCE = 6.0
# The scroll bar along the right edge is the window's, not the page's.
SCROLL_BAR = 24


def read_dump(path):
    title, text = "", []
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            chunk = json.loads(line)
            if chunk.get("kind") == "value" and (chunk["fmtid"], chunk["propid"]) == TITLE_PROPERTY:
                title = chunk["value"]
            elif chunk.get("kind") == "text":
                text.append(chunk["text"])
    return title, "\n".join(text)


def normalized(text, lang):
    """Letters and digits without accents, in lower case, one space between words (none for
    Japanese, which has no spaces to read)."""
    text = unicodedata.normalize("NFKD", text)
    text = "".join(c for c in text if not unicodedata.combining(c)).lower()
    text = re.sub(r"[^\w]+", " ", text).strip()
    return text.replace(" ", "") if lang == "jpn" else text


def ocr(picture, lang):
    """What tesseract reads: the picture in grey, light text made dark, three times larger."""
    image = Image.open(picture).convert("L")
    image = image.crop((0, 0, image.width - SCROLL_BAR, image.height))
    if sum(image.getdata()) / (image.width * image.height) < 128:
        image = ImageOps.invert(image)
    image = image.resize((image.width * 3, image.height * 3), Image.LANCZOS)
    with tempfile.TemporaryDirectory() as folder:
        scaled = os.path.join(folder, "page.png")
        image.save(scaled)
        # One thread: tesseract's threads only wait on each other on a busy machine.
        read = subprocess.run(["tesseract", scaled, "-", "-l", lang], capture_output=True,
                              text=True, check=True, env=dict(os.environ, OMP_THREAD_LIMIT="1"))
    return read.stdout


def similarity(phrase, text):
    """How well `phrase` matches its best stretch of `text`, from 0 to 1."""
    if not phrase or phrase in text:
        return 1.0
    size = len(phrase)
    best = 0.0
    for start in range(0, max(1, len(text) - size + 1)):
        best = max(best, difflib.SequenceMatcher(None, phrase, text[start:start + size]).ratio())
    return best


def first_words(text, lang, count=5):
    """The first words of the text's first paragraph that has some."""
    for paragraph in text.split("\n"):
        words = normalized(paragraph, "eng").split()
        if words:
            return normalized(paragraph, lang)[:12] if lang == "jpn" else " ".join(words[:count])
    return ""


def check_phrases(picture, lang, phrases):
    seen = normalized(ocr(picture, lang), lang)
    problems = []
    for phrase in phrases:
        wanted = normalized(phrase, lang)
        score = similarity(wanted, seen)
        if score < MATCH:
            problems.append("'%s' not read (best %.2f)" % (phrase, score))
    summary = "read '%s...'" % seen[:60]
    return problems, summary


def background(image):
    """The pane's colour: the most common one."""
    counts = image.crop((0, 0, image.width - SCROLL_BAR, image.height)).getcolors(1 << 24)
    return max(counts)[1]


def cover_region(image, colour):
    """The first band of rows from the top that holds anything but the background, and its
    columns."""
    page = image.crop((0, 0, image.width - SCROLL_BAR, image.height))
    other = ImageChops.difference(page, Image.new("RGB", page.size, colour)).convert("L")
    other = other.point(lambda value: 255 if value > 24 else 0)
    top = bottom = None
    left, right = page.width, 0
    for y in range(page.height):
        row = other.crop((0, y, page.width, y + 1)).getbbox()
        if row:
            top = y if top is None else top
            bottom = y
            left, right = min(left, row[0]), max(right, row[2])
        elif top is not None:
            break
    return None if top is None else (left, top, right, bottom + 1)


def check_cover(picture, cover):
    image = Image.open(picture).convert("RGB")
    colour = background(image)
    region = cover_region(image, colour)
    source = Image.open(cover)
    if region is None:
        return ["no cover on the picture"], ""
    width, height = region[2] - region[0], region[3] - region[1]
    problems = []
    if width > source.width or height > source.height:
        problems.append("enlarged: %dx%d from %dx%d" % (width, height, source.width,
                                                        source.height))
    if height > image.height // 2 or width > image.width - SCROLL_BAR:
        problems.append("%dx%d is beyond half the pane's height or its width" % (width, height))
    # Scaled only as far as the pane needs: to half its height, or to its width between the
    # margins, which then are the space left and right of the cover.
    scaled = (width, height) != source.size
    if scaled and height != image.height // 2 and region[0] > 32:
        problems.append("%dx%d is smaller than the pane needs" % (width, height))
    if abs(width * source.height - height * source.width) > max(source.width, source.height):
        problems.append("aspect ratio %dx%d against %dx%d" % (width, height, source.width,
                                                               source.height))
    reference = Image.new("RGBA", source.size, colour + (255,))
    reference.alpha_composite(source.convert("RGBA"))
    reference = reference.convert("RGB").resize((width, height), Image.BOX)
    shown = image.crop(region)
    count = width * height
    for band, name in enumerate("RGB"):
        got = sum(shown.getdata(band)) / count
        want = sum(reference.getdata(band)) / count
        if abs(got - want) > COLOUR_TOLERANCE:
            problems.append("mean %s %.1f, Pillow %.1f" % (name, got, want))
    return problems, "cover %dx%d at %d,%d of %dx%d" % (width, height, region[0], region[1],
                                                       source.width, source.height)


def luminance(pixel):
    return 0.299 * pixel[0] + 0.587 * pixel[1] + 0.114 * pixel[2]


def check_dark(picture):
    image = Image.open(picture).convert("RGB")
    colour = background(image)
    light = sum(1 for pixel in image.crop((0, 0, image.width - SCROLL_BAR, image.height)).getdata()
                if luminance(pixel) > 180)
    problems = []
    if luminance(colour) > 60:
        problems.append("background %s is not dark" % (colour,))
    if light < 500:
        problems.append("only %d light pixels: no light text" % light)
    return problems, "background %s, %d light pixels" % (colour, light)


def word_positions(seen, book, size=4):
    """Where each run of `size` words read from the picture first comes in the book's text."""
    index = {}
    for at in range(len(book) - size + 1):
        index.setdefault(tuple(book[at:at + size]), at)
    return [index[run] for run in (tuple(seen[at:at + size]) for at in range(len(seen) - size + 1))
            if run in index]


def check_later(scrolled, first, dump, lang):
    book = normalized(read_dump(dump)[1], lang).split()
    before = word_positions(normalized(ocr(first, lang), lang).split(), book)
    after = word_positions(normalized(ocr(scrolled, lang), lang).split(), book)
    if len(before) < 5 or len(after) < 5:
        return ["too few words found in the book: %d and %d" % (len(before), len(after))], ""
    after.sort()
    middle = after[len(after) // 2]
    problems = [] if middle > max(before) else [
        "the scrolled page reads from word %d, the first page up to word %d" % (middle,
                                                                                 max(before))]
    return problems, "first page up to word %d, scrolled page around word %d" % (max(before),
                                                                                  middle)


def main():
    command, arguments = sys.argv[1], sys.argv[2:]
    if command == "text":
        picture, dump, lang = arguments
        title, text = read_dump(dump)
        problems, summary = check_phrases(picture, lang, [title, first_words(text, lang)])
    elif command == "words":
        problems, summary = check_phrases(arguments[0], arguments[1], arguments[2:])
    elif command == "cover":
        problems, summary = check_cover(*arguments)
    elif command == "dark":
        problems, summary = check_dark(*arguments)
    elif command == "later":
        problems, summary = check_later(*arguments)
    else:
        sys.exit("unknown check " + command)
    print("; ".join(problems) + " -- " + summary if problems else summary)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
