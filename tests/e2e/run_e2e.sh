#!/bin/sh
# run_e2e.sh LAUNCHER PROGRAM EXPECTED: runs PROGRAM under the launcher and
# checks that it exits with 0, that its standard output equals EXPECTED byte
# for byte, and that the exit report on standard error counts exactly the QRX
# instructions the program says it executed.
set -u
launcher=$1 program=$2 expected=$3
name=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$launcher" "$program" >"$work/out" 2>"$work/err"
status=$?
fail() {
  echo "FAIL $name: $*"
  echo "--- stderr:"
  cat "$work/err"
  exit 1
}
[ $status -eq 0 ] || fail "exit status $status"
cmp -s "$expected" "$work/out" || { diff "$expected" "$work/out"; fail "output differs from the reference"; }
count=$(sed -n 's/^QRX instructions: //p' "$work/out")
[ -n "$count" ] || fail "the program printed no QRX instruction count"
grep -qx "$name: $count QRX instructions executed" "$work/err" ||
  fail "the exit report does not count $count QRX instructions"
grep -qx "$name: Non-QRX Kalt64 instructions not counted (qrx-run traps QRX instructions only)" "$work/err" ||
  fail "the exit report lacks the non-QRX line"
echo "ok $name: output equals the reference, $count QRX instructions"
