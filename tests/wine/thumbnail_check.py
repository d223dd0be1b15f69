#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""Checks a thumbnail that quillsift-host wrote (a 32-bit top-down BMP, or a PNG, which Pillow
reads) against an independent decode of the cover picture with Pillow: a PNG exactly when its
name ends in .png, the size by the same rule (the longer side at most SIZE, never enlarged, the
shorter rounded half up, at least 1), the mean colour within a small tolerance, and the alpha
type: ARGB exactly when the picture carries transparency, then the mean alpha too.
Usage: thumbnail_check.py THUMBNAIL.bmp|THUMBNAIL.png COVER SIZE "WIDTHxHEIGHT ALPHATYPE ..." """
import struct
import sys

from PIL import Image

TOLERANCE = 6.0
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def expected_size(width, height, longest):
    longer, shorter = max(width, height), min(width, height)
    if longer <= longest:
        return width, height
    side = max(1, (shorter * longest * 2 + longer) // (longer * 2))
    return (longest, side) if width >= height else (side, longest)


def thumbnail_means(path):
    data = open(path, "rb").read()
    if data[:8] == PNG_SIGNATURE:
        picture = Image.open(path).convert("RGBA")
        count = picture.width * picture.height
        red, green, blue, alpha = (sum(picture.getdata(band)) / count for band in range(4))
        return (picture.width, picture.height), (red, green, blue), alpha
    assert data[:2] == b"BM", "neither a BMP nor a PNG"
    offset = struct.unpack("<I", data[10:14])[0]
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    assert bits == 32, "%d bits per pixel" % bits
    assert height < 0, "not top-down"
    height = -height
    pixels = data[offset:offset + width * height * 4]
    count = width * height
    sums = [sum(pixels[channel::4]) for channel in range(4)]
    blue, green, red, alpha = (total / count for total in sums)
    return (width, height), (red, green, blue), alpha


def main():
    thumbnail, cover, size, reported = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    picture = Image.open(cover)
    has_alpha = picture.mode in ("RGBA", "LA", "PA") or "transparency" in picture.info
    picture = picture.convert("RGBA")
    want_size = expected_size(picture.width, picture.height, size)
    reference = picture.resize(want_size, Image.BOX)
    count = want_size[0] * want_size[1]
    channels = [sum(reference.getdata(band)) / count for band in range(4)]
    got_size, got_rgb, got_alpha = thumbnail_means(thumbnail)
    problems = []
    with open(thumbnail, "rb") as written:
        if (written.read(8) == PNG_SIGNATURE) != thumbnail.lower().endswith(".png"):
            problems.append("a PNG exactly when the name ends in .png")
    reported_size, reported_alpha = reported.split()[:2]
    if got_size != want_size or reported_size != "%dx%d" % want_size:
        problems.append("size %s (reported %s), expected %dx%d" % (got_size, reported_size,
                                                                   *want_size))
    for name, got, want in zip("RGB", got_rgb, channels[:3]):
        if abs(got - want) > TOLERANCE:
            problems.append("mean %s %.1f, expected %.1f" % (name, got, want))
    if reported_alpha != ("ARGB" if has_alpha else "RGB"):
        problems.append("alpha type %s for a picture %s transparency" %
                        (reported_alpha, "with" if has_alpha else "without"))
    if has_alpha and abs(got_alpha - channels[3]) > TOLERANCE:
        problems.append("mean alpha %.1f, expected %.1f" % (got_alpha, channels[3]))
    summary = "%dx%d %s, mean RGB %s (Pillow %s)%s" % (
        *got_size, reported_alpha, "/".join("%.0f" % c for c in got_rgb),
        "/".join("%.0f" % c for c in channels[:3]),
        ", mean alpha %.0f (Pillow %.0f)" % (got_alpha, channels[3]) if has_alpha else "")
    print(summary if not problems else "; ".join(problems) + " -- " + summary)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
