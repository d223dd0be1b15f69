#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""quillsift-dump --cover against an independent reading of each book: the Palm record table,
record 0's first resource index and EXTH 201/202, the first of them that points at a picture.
A book without one gives exit status 1 and no file.
Usage: cover_tool_test.py QUILLSIFT_DUMP TESTDATA"""
import os
import struct
import subprocess
import sys
import tempfile

PICTURES = (b"\xff\xd8\xff", b"GIF87a", b"GIF89a", b"\x89PNG\r\n\x1a\n", b"BM")


def expected_cover(data):
    count = struct.unpack(">H", data[76:78])[0]
    offsets = [struct.unpack(">I", data[78 + 8 * i:82 + 8 * i])[0] for i in range(count)]
    offsets.append(len(data))
    record = lambda i: data[offsets[i]:offsets[i + 1]]
    header = record(0)
    if header[16:20] != b"MOBI":
        return None
    first = struct.unpack(">I", header[108:112])[0]
    exth_at = 16 + struct.unpack(">I", header[20:24])[0]
    if header[exth_at:exth_at + 4] != b"EXTH":
        return None
    tags, at = {}, exth_at + 12
    for _ in range(struct.unpack(">I", header[exth_at + 8:exth_at + 12])[0]):
        tag, length = struct.unpack(">II", header[at:at + 8])
        tags.setdefault(tag, header[at + 8:at + length])
        at += length
    for tag in (201, 202):
        if tag in tags and first != 0xFFFFFFFF:
            index = first + int.from_bytes(tags[tag][:4], "big")
            if index < count and record(index).startswith(PICTURES):
                return record(index)
    return None


def main():
    dump, testdata = sys.argv[1:3]
    books = [os.path.join(testdata, "covers", name)
             for name in sorted(os.listdir(os.path.join(testdata, "covers")))
             if name.endswith((".mobi", ".azw3"))]
    books += [os.path.join(testdata, name) for name in ("harbor-kf7.mobi", "harbor-kf8.azw3")]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        for book in books:
            name = os.path.basename(book)
            out = os.path.join(work, name + ".cover")
            with open(book, "rb") as f:
                expected = expected_cover(f.read())
            run = subprocess.run([dump, "--cover", out, book], capture_output=True)
            got = open(out, "rb").read() if os.path.exists(out) else None
            if expected is None:
                ok = run.returncode == 1 and got is None and b"no cover" in run.stderr
            else:
                ok = run.returncode == 0 and got == expected
            what = "no cover" if expected is None else "%d bytes" % len(expected)
            print("%s: %s (%s)" % ("ok" if ok else "FAIL", name, what))
            failures += not ok
        # A usage error writes nothing either.
        out = os.path.join(work, "usage.cover")
        run = subprocess.run([dump, "--cover", out], capture_output=True)
        ok = run.returncode == 2 and not os.path.exists(out)
        print("%s: --cover without a book gives exit 2" % ("ok" if ok else "FAIL"))
        failures += not ok
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
