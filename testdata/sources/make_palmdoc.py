#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""Writes a plain PalmDOC book ("TEXt"/"REAd"): a 16-byte record 0, then the text in records
of 4096 bytes, each PalmDOC-compressed. The output depends only on the input.

    make_palmdoc.py NAME TEXT_FILE OUT_FILE
"""
import struct
import sys

RECORD_SIZE = 4096
# 2026-01-01 in Palm time (seconds since 1904-01-01), so that the bytes never change.
PALM_TIME = 3850070400


def compress(data: bytes) -> bytes:
    """PalmDOC compression: back-references of 3 to 10 bytes up to 2047 bytes back, a space
    folded into the printable byte after it, other bytes literal."""
    out = bytearray()
    i = 0
    while i < len(data):
        best_length = best_distance = 0
        for length in range(min(10, len(data) - i), 2, -1):
            at = data.rfind(data[i:i + length], max(0, i - 2047), i)
            if at >= 0:
                best_length, best_distance = length, i - at
                break
        if best_length:
            out += struct.pack(">H", 0x8000 | (best_distance << 3) | (best_length - 3))
            i += best_length
            continue
        byte = data[i]
        if byte == 0x20 and i + 1 < len(data) and 0x40 <= data[i + 1] <= 0x7F:
            out.append(data[i + 1] ^ 0x80)
            i += 2
        elif byte == 0 or 0x09 <= byte <= 0x7F:
            out.append(byte)
            i += 1
        else:
            out += bytes([1, byte])
            i += 1
    return bytes(out)


def palmdoc(name: str, text: bytes) -> bytes:
    chunks = [text[at:at + RECORD_SIZE] for at in range(0, len(text), RECORD_SIZE)]
    record0 = struct.pack(">HHIHHI", 2, 0, len(text), len(chunks), RECORD_SIZE, 0)
    records = [record0] + [compress(chunk) for chunk in chunks]
    header = name.encode("ascii")[:31].ljust(32, b"\0")
    header += struct.pack(">HHIIIIII", 0, 0, PALM_TIME, PALM_TIME, 0, 0, 0, 0)
    header += b"TEXtREAd" + struct.pack(">IIH", len(records), 0, len(records))
    offset = len(header) + 8 * len(records) + 2
    for index, record in enumerate(records):
        header += struct.pack(">II", offset, index)
        offset += len(record)
    return header + b"\0\0" + b"".join(records)


def main() -> None:
    name, text_file, out_file = sys.argv[1:4]
    with open(text_file, "rb") as source:
        text = source.read()
    with open(out_file, "wb") as out:
        out.write(palmdoc(name, text))


if __name__ == "__main__":
    main()
