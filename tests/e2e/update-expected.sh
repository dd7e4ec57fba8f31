#!/bin/sh
# update-expected.sh BUILD_DIR: rewrites every NAME.expected here and the
# bundled example's (tools/qrx-run) from the reference model (the Kalt64
# processor model with QRX), running the programs the cross build BUILD_DIR
# compiled. Review the diff before committing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$1
model=${KALT64_RUN_QRX:-$here/../../../shared/kalt64/bin/kalt64-run-qrx}
for src in "$here"/*.c; do
  name=$(basename "$src" .c)
  "$model" "$build/tests/e2e/$name" >"$here/$name.expected"
  echo "$name.expected"
done
"$model" "$build/tools/qrx-run/example" >"$here/../../tools/qrx-run/example.expected"
echo "tools/qrx-run/example.expected"
