#!/usr/bin/env bash
# Builds Quorvel.exe and starts it: on Windows-less Linux under Wine. With no
# display it runs on a private Xvfb, leaves a screenshot in
# build/mingw/quorvel-start.png, and stays up until Enter is pressed (or
# closes at once when there is no terminal to press it in).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build build/mingw --target Quorvel -j "${QUORVEL_JOBS:-2}"
exe="$root/build/mingw/app/win32/Quorvel.exe"

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${WINEPREFIX:-$root/build/wine-run}"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "Preparing a Wine prefix in $WINEPREFIX (once)..."
  WINEARCH=win64 wineboot -i >/dev/null 2>&1
  wineserver -w
fi

if [[ -n "${DISPLAY:-}" ]]; then
  exec wine "$exe"
fi

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [[ -s "$display_file" ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display_file" | tr -d '[:space:]')"
rm -f "$display_file"

wine "$exe" &
shot="$root/build/mingw/quorvel-start.png"
# The window has no frame on a bare X server; give it a moment to draw.
sleep 5
import -display "$DISPLAY" -window root -trim "$shot"
echo "Quorvel.exe is running on Xvfb display $DISPLAY; screenshot: $shot"
if [[ -t 0 ]]; then
  read -r -p "Press Enter to close it. "
fi
