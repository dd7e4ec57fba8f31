#!/bin/sh
# run_e2e.sh LAUNCHER PROGRAM EXPECTED: runs PROGRAM under the launcher and
# checks that it exits with 0, that its standard output equals EXPECTED byte
# for byte, and that the exit report on standard error counts the QRX
# instructions: exactly as many as the program says it executed when it
# prints "QRX instructions: N", otherwise at least one.
#
# A program that contains a QRX instruction whose handler is still pending
# is skipped (status 77): $QRX_OBJDUMP disassembles it, $QRX_WORDS decodes
# its words against $QRX_PENDING_LIST.
set -u
launcher=$1 program=$2 expected=$3
name=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

grep -q '^pending handlers:' "$QRX_PENDING_LIST" || { echo "no list of pending handlers"; exit 1; }
tab=$(printf '\t')
words=$($QRX_OBJDUMP -d -j .text "$program" | sed -n "s/^ *[0-9a-f]*:$tab\([0-9a-f]\{8\}\) .*/\1/p")
pending=$($QRX_WORDS "$QRX_PENDING_LIST" pending-in $words)
[ -z "$pending" ] || { echo "skipped: $name uses pending handlers: $pending"; exit 77; }

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
if [ -n "$count" ]; then
  grep -qx "$name: $count QRX instructions executed" "$work/err" ||
    fail "the exit report does not count $count QRX instructions"
else
  count=$(sed -n "s/^$name: \([1-9][0-9]*\) QRX instructions executed\$/\1/p" "$work/err")
  [ -n "$count" ] || fail "the exit report counts no QRX instruction"
fi
grep -qx "$name: Non-QRX Kalt64 instructions not counted (qrx-run traps QRX instructions only)" "$work/err" ||
  fail "the exit report lacks the non-QRX line"
echo "ok $name: output equals the reference, $count QRX instructions"
