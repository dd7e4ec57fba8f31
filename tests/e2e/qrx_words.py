#!/usr/bin/env python3
"""Instruction words for the runner's tests, from the decode tables and the
list of pending handlers (one name a line, as qrx-pending --list prints it).

  qrx_words.py TABLES PENDING unexecutable-word a QRX word the emulator does not
                                                execute: the word (operand bits
                                                zero) of the first pending
                                                handler or, when none is
                                                pending, AND (immediate) with
                                                a reserved bitmask immediate,
                                                which its handler declines
  qrx_words.py TABLES PENDING implemented WORD  exit status 0 when WORD decodes
                                                to an implemented handler
  qrx_words.py TABLES PENDING pending-in WORD...
                                                the pending handlers among those
                                                the words decode to (words no
                                                table holds are not QRX)
"""
import sys


def read_tables(path):
    tables = []
    for line in open(path):
        fields = line.split()
        if not fields or fields[0].startswith("#"):
            continue
        if fields[0] == "table":
            attrs = dict(f.split("=", 1) for f in fields[2:])
            slices = [tuple(int(b) for b in s.split(":")) for s in attrs["slices"].split(",")]
            tables.append((slices, []))
        else:
            tables[-1][1].append((int(fields[0], 16), fields[1]))
    return tables


def key_of(word, slices):
    key = 0
    for hi, lo in slices:
        width = hi - lo + 1
        key = (key << width) | ((word >> lo) & ((1 << width) - 1))
    return key


def word_of(key, slices):
    word = 0
    for hi, lo in reversed(slices):
        width = hi - lo + 1
        word |= (key & ((1 << width) - 1)) << lo
        key >>= width
    return word


def handler_of(word, tables):
    for slices, entries in tables:
        key = key_of(word, slices)
        for entry_key, name in entries:
            if entry_key == key:
                return name
    return None


def main():
    tables = read_tables(sys.argv[1])
    pending = {l.strip() for l in open(sys.argv[2]) if l.strip().startswith("Vec")}
    if sys.argv[3] == "unexecutable-word":
        for slices, entries in tables:
            for key, name in entries:
                if name in pending:
                    print("0x%08x" % word_of(key, slices))
                    return 0
        for slices, entries in tables:
            for key, name in entries:
                if name == "VecU64AndVIX":
                    # N = 0, imms = 111111: no bitmask immediate.
                    print("0x%08x" % (word_of(key, slices) | (0x3F << 5)))
                    return 0
        return 0
    if sys.argv[3] == "pending-in":
        names = {handler_of(int(w, 16), tables) for w in sys.argv[4:]}
        print(" ".join(sorted(n for n in names if n in pending)))
        return 0
    name = handler_of(int(sys.argv[4], 16), tables)
    return 0 if name is not None and name not in pending else 1


if __name__ == "__main__":
    sys.exit(main())
