#!/usr/bin/env python3
# SPDX-License-Identifier: LGPL-3.0-or-later
"""The damaged and foreign files of damaged-books.tsv, made from the test books, and what
quillsift-dump says of each and still gets from it.

  damaged_books.py make TABLE TESTDATA OUTDIR
      writes every file of the table into OUTDIR
  damaged_books.py check TABLE TESTDATA WORK DUMP
      makes them in WORK and checks, for each, the line quillsift-dump writes on standard
      error for the filter (--json), for the property handler (--properties) and for the
      thumbnail provider (--cover), and what each gives: value and text chunks, properties,
      the cover's bytes
  damaged_books.py show TABLE TESTDATA WORK DUMP
      prints those for each file as rows of the table, to fill it in

A row: the file, the test book it is made from ("-" for none), how it is damaged, then what
is expected. The damages:
  empty               no byte at all
  first N             the book's first N bytes
  text                a text file
  retype TYPE/CREATOR the book with another Palm type and creator
  cut-in R            the book cut in the middle of its record R (counted from 0)
  drop-last N         the book without its last N bytes
  encrypt             the book with record 0 saying DRM encryption (type 2)
The expected columns ("-" for nothing): the filter's line, its chunks as VALUES+TEXTS (or
"-" when it does not bind), the property handler's line, its number of properties, the
thumbnail provider's line, the cover's size in bytes.
"""
import json
import struct
import subprocess
import sys
from pathlib import Path

TEXT = b"This is not a Palm database, only text named like a book.\n" * 40
COLUMNS = ["file", "from", "damage", "filter", "chunks", "properties", "count", "cover", "bytes"]


def record_offsets(book):
    count = struct.unpack(">H", book[76:78])[0]
    return [struct.unpack(">I", book[78 + 8 * i:82 + 8 * i])[0] for i in range(count)]


def damage(book, how, argument):
    if how == "empty":
        return b""
    if how == "text":
        return TEXT
    if how == "first":
        return book[:int(argument)]
    if how == "drop-last":
        return book[:len(book) - int(argument)]
    if how == "retype":
        return book[:60] + argument.replace("/", "").encode("ascii") + book[68:]
    offsets = record_offsets(book) + [len(book)]
    if how == "cut-in":
        record = int(argument)
        return book[:(offsets[record] + offsets[record + 1]) // 2]
    if how == "encrypt":
        at = offsets[0] + 12
        return book[:at] + struct.pack(">H", 2) + book[at + 2:]
    raise SystemExit(f"unknown damage: {how}")


def rows(table):
    for line in Path(table).read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            yield dict(zip(COLUMNS, line.split("\t")))


def make(table, testdata, out):
    Path(out).mkdir(parents=True, exist_ok=True)
    made = []
    for row in rows(table):
        source = Path(testdata, row["from"]).read_bytes() if row["from"] != "-" else b""
        how = row["damage"].split(" ", 1) + [""]
        Path(out, row["file"]).write_bytes(damage(source, how[0], how[1]))
        made.append(row)
    return made


def line_about(path, stderr):
    """The tool's line about the book, without "quillsift-dump: PATH: "; "-" for none."""
    prefix = f"quillsift-dump: {path}: "
    lines = [line[len(prefix):] for line in stderr.splitlines() if line.startswith(prefix)]
    return "; ".join(lines) if lines else "-"


def observe(dump, path, work):
    """What quillsift-dump says of the file at `path` and gets from it, as table columns."""
    seen = {}
    run = subprocess.run([dump, "--json", "-q", path], capture_output=True, text=True)
    seen["filter"] = line_about(path, run.stderr)
    chunks = [json.loads(line) for line in run.stdout.splitlines()]
    if any("load" in chunk for chunk in chunks):
        seen["chunks"] = "-"
    else:
        values = sum(1 for chunk in chunks if chunk.get("kind") == "value")
        texts = sum(1 for chunk in chunks if chunk.get("kind") == "text")
        seen["chunks"] = f"{values}+{texts}"
    run = subprocess.run([dump, "--properties", path], capture_output=True, text=True)
    seen["properties"] = line_about(path, run.stderr)
    seen["count"] = str(len(json.loads(run.stdout))) if run.returncode == 0 else "-"
    cover = Path(work, "cover.bin")
    cover.unlink(missing_ok=True)
    run = subprocess.run([dump, "--cover", str(cover), path], capture_output=True, text=True)
    seen["cover"] = line_about(path, run.stderr)
    seen["bytes"] = str(cover.stat().st_size) if cover.exists() else "-"
    return seen


def main():
    if len(sys.argv) < 5 or sys.argv[1] not in ("make", "check", "show"):
        raise SystemExit(__doc__)
    command, table, testdata, out = sys.argv[1:5]
    made = make(table, testdata, out)
    if command == "make":
        return 0
    dump = sys.argv[5]
    failures = 0
    for row in made:
        path = str(Path(out, row["file"]))
        seen = observe(dump, path, out)
        if command == "show":
            print("\t".join([row[c] for c in COLUMNS[:3]] + [seen[c] for c in COLUMNS[3:]]))
            continue
        for column in COLUMNS[3:]:
            if seen[column] != row[column]:
                failures += 1
                print(f"FAIL: {row['file']}: {column}: {seen[column]!r}, expected {row[column]!r}")
        print(f"ok: {row['file']}: {seen['filter']}, {seen['chunks']} chunks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
