#!/bin/sh
# run_case.sh STATUS STDOUT STDERR_LINE LAUNCHER PROGRAM [ARGS...]: runs
# PROGRAM under the launcher and checks its exit status (128+N: killed by
# signal N), that its standard output is exactly STDOUT (one line, or
# nothing for "") and, unless STDERR_LINE is "-", that standard error holds
# that exact line. Nothing on standard error may claim to have handled a
# fault in the signal's place.
set -u
want_status=$1 want_out=$2 want_err=$3
shift 3
name=$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$@" >"$work/out" 2>"$work/err"
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
