#!/usr/bin/env python3
"""Reads a QRX hot-spot report (the client's -report FILE) and prints the
busiest instructions and a text bar chart of the instruction families.

    tools/qrx-hotspots.py report.tsv [--top N]
"""
import argparse
import sys


def read_report(lines):
    header, rows = {}, []
    columns = None
    for line in lines:
        line = line.rstrip("\n")
        if line.startswith("#"):
            header = dict(f.split("=", 1) for f in line[1:].split("\t") if "=" in f)
        elif columns is None:
            columns = line.split("\t")
        elif line:
            rows.append(dict(zip(columns, line.split("\t"))))
    return header, rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("report")
    parser.add_argument("--top", type=int, default=10)
    args = parser.parse_args()
    with (sys.stdin if args.report == "-" else open(args.report)) as f:
        header, rows = read_report(f)
    print("%s: %s QRX instructions executed at %s addresses (vector length %s bits)" % (
        header.get("program", "?"), header.get("qrx_executed", "?"), header.get("instructions", "?"),
        header.get("vector_bits", "?")))
    insns = [r for r in rows if r["kind"] == "insn"][:args.top]
    print("\n%-8s %-24s %-10s %-28s %12s %7s" % ("rank", "where", "word", "form", "count", "share"))
    for i, r in enumerate(insns, 1):
        where = "%s+%s" % (r["module"], r["offset"]) if r["module"] != "-" else r["address"]
        print("%-8d %-24s %-10s %-28s %12s %6.2f%%" % (i, where, r["word"], r["handler"], r["count"],
                                                     100 * float(r["share"])))
    families = [r for r in rows if r["kind"] == "family"]
    if families:
        print("\nfamilies")
        width = 50
        for r in families:
            share = float(r["share"])
            print("%-14s %-50s %6.2f%%" % (r["family"], "#" * max(1, round(share * width)), 100 * share))
    return 0


if __name__ == "__main__":
    sys.exit(main())
