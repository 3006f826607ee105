#!/usr/bin/env bash
# Makes the README's picture again: Quorvel.exe under Wine, connected through
# the test ADO stand-in, with three files chosen, saved to
# docs/quorvel-connected.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build build/mingw --target quorvel_e2e_tests -j "${QUORVEL_JOBS:-2}"
tools/e2e-run.sh --template "$root/build/mingw/wine-template" -- \
  build/mingw/tests/e2e/quorvel_e2e_tests.exe \
  --gtest_filter='FileDialogE2E.Screenshot*'
mkdir -p docs
cp build/mingw/quorvel-connected.png docs/quorvel-connected.png
echo "docs/quorvel-connected.png"
