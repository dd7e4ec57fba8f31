#!/bin/sh
# report_case.sh LAUNCHER PROGRAM OBJDUMP
#
# The hot-spot report of qrx-run (QRX_REPORT) for tests/run/hotspots.c:
# every instruction line's module is the program, its offset is the
# program's own symbol address (from its symbol table) less the lowest
# address it is loaded at, and the counts per address, per form and per
# family are exact. A report path that cannot be written stops the program
# before it runs, with one line and status 2.
set -u
launcher=$1 program=$2 objdump=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
name=$(basename "$program")
passes=1000
fail() {
  echo "FAIL report: $*"
  for f in out err report; do
    [ -f "$work/$f" ] && { echo "--- $f:"; cat "$work/$f"; }
  done
  exit 1
}

QRX_REPORT="$work/report" "$launcher" "$program" $passes >"$work/out" 2>"$work/err" ||
  fail "exit status $?"
[ -s "$work/report" ] || fail "no report was written"

sym() { "$objdump" -t "$program" | awk -v s="$1" '$NF == s { print "0x" $1 }'; }
hot=$(sym hot_pass)
cold=$(sym cold_count)
base=$("$objdump" -p "$program" | awk '$1 == "LOAD" { print $5 }' | sort | head -n 1)
[ -n "$hot" ] && [ -n "$cold" ] && [ -n "$base" ] || fail "symbols or load address not found"
off() { printf '0x%x' $(($1 - base)); }

# insn lines: offset -> count, for lines of this program's module.
insn() { awk -F '\t' -v m="$name" -v o="$1" '$1 == "insn" && $3 == m && $4 == o { print $8 }' "$work/report"; }
[ "$(insn "$(off "$hot")")" = $passes ] || fail "PTRUE at hot_pass is not counted $passes times"
[ "$(insn "$(off "$((hot + 4))")")" = $passes ] || fail "ADD at hot_pass+4 is not counted $passes times"
[ "$(insn "$(off "$cold")")" = 1 ] || fail "CNTP at cold_count is not counted once"
[ "$(grep -c '^insn' "$work/report")" = 3 ] || fail "not exactly three instruction lines"

head -n 1 "$work/report" | grep -qxF "#program=$name	vector_bits=1152	qrx_executed=$((2 * passes + 1))	instructions=3" ||
  fail "the header does not name the program and the totals"
counts() { awk -F '\t' -v k="$1" '$1 == k { print $8 }' "$work/report" | tr '\n' ' '; }
[ "$(counts form)" = "$passes $passes 1 " ] || fail "form counts are not $passes, $passes, 1"
[ "$(counts family)" = "$((passes + 1)) $passes " ] || fail "family counts are not $((passes + 1)), $passes"

# An unwritable path: one line, status 2, and the program never ran.
QRX_REPORT="$work/missing/report" "$launcher" "$program" 1 >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 2 ] || fail "unwritable path: exit status $status, expected 2"
[ ! -s "$work/out" ] || fail "unwritable path: the program ran"
[ "$(wc -l <"$work/err")" -eq 1 ] &&
  grep -qF "qrx-run: cannot write the report to $work/missing/report" "$work/err" ||
  fail "unwritable path: not one line naming the path"
echo "ok report: offsets and counts of $name"
