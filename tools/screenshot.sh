#!/usr/bin/env bash
# Makes the README's pictures again: Quorvel.exe under Wine, connected through
# the test ADO stand-in, with three files chosen (docs/quorvel-connected.png),
# and after a run of four rows whose second failed (docs/quorvel-marks.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build build/mingw --target quorvel_e2e_tests -j "${QUORVEL_JOBS:-2}"
tools/e2e-run.sh --template "$root/build/mingw/wine-template" -- \
  build/mingw/tests/e2e/quorvel_e2e_tests.exe \
  --gtest_filter='FileDialogE2E.Screenshot*:RowMarks.*'
mkdir -p docs
for picture in quorvel-connected quorvel-marks; do
  cp "build/mingw/$picture.png" "docs/$picture.png"
  echo "docs/$picture.png"
done
