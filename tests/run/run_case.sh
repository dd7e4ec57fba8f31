#!/bin/sh
# run_case.sh [--needs WORD] STATUS STDOUT STDERR_LINE LAUNCHER PROGRAM [ARGS...]
#
# Runs PROGRAM under the launcher and checks its exit status (128+N: killed by
# signal N), that its standard output is exactly STDOUT (one line, or nothing
# for "") and, unless STDERR_LINE is "-", that standard error holds that exact
# line. Nothing on standard error may claim to have handled a fault in the
# signal's place.
#
# Which instructions the emulator can run is asked of the build at test time
# ($QRX_PENDING_LIST holds qrx-pending --list, $QRX_WORDS decodes words): with
# --needs, the case is skipped (status 77) while WORD's handler is pending;
# an argument @unexecutable-word@ becomes a QRX word the emulator does not
# execute (a pending form's, or one its handler declines).
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
grep -q '^pending handlers:' "$QRX_PENDING_LIST" || { echo "no list of pending handlers"; exit 1; }
words() { $QRX_WORDS "$QRX_PENDING_LIST" "$@"; }

if [ "$1" = --needs ]; then
  words implemented "$2" || { echo "skipped: the handler of $2 is pending"; exit 77; }
  shift 2
fi
want_status=$1 want_out=$2 want_err=$3
shift 3
launcher=$1 program=$2
shift 2
name=$(basename "$program")
for arg; do
  if [ "$arg" = @unexecutable-word@ ]; then
    arg=$(words unexecutable-word)
    [ -n "$arg" ] || { echo "no QRX word the emulator declines"; exit 1; }
  fi
  set -- "$@" "$arg"
  shift
done

"$launcher" "$program" "$@" >"$work/out" 2>"$work/err"
status=$?
fail() {
  echo "FAIL $name $*"
  echo "--- stdout:"
  cat "$work/out"
  echo "--- stderr:"
  cat "$work/err"
  exit 1
}
[ "$status" -eq "$want_status" ] || fail "exit status $status, expected $want_status"
if [ -n "$want_out" ]; then
  printf '%s\n' "$want_out" | cmp -s - "$work/out" || fail "stdout is not '$want_out'"
else
  [ ! -s "$work/out" ] || fail "stdout is not empty"
fi
if [ "$want_err" != - ]; then
  grep -qxF -- "$want_err" "$work/err" || fail "stderr lacks '$want_err'"
fi
if grep -q "from the process being emulated" "$work/err"; then
  fail "a fault message was printed"
fi
echo "ok $name: status $status"
