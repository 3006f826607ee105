#!/usr/bin/env bash
# Runs one Windows test program under Wine on a private X server, in a fresh
# copy of a cached Wine prefix, and exits with the program's exit code.
#
#   tools/e2e-run.sh [--template DIR] [--timeout SECONDS] [--keep] \
#                    [--before 'WINDOWS COMMAND'] -- PROGRAM.exe [ARGS...]
#
# --template  where the booted prefix is cached (created on first use);
#             default $QUORVEL_WINE_TEMPLATE or build/wine-template.
# --timeout   seconds before the program is killed (exit 124); default 600.
# --keep      leave the per-run prefix in place and print its path.
# --before    a command run with wine in the prefix first, as shell words
#             (e.g. 'regsvr32 /s x.dll'); may be given more than once.
#
# The per-run prefix, the wineserver of that prefix and the X server are ours
# alone and are ended on exit, whatever happened.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
template="${QUORVEL_WINE_TEMPLATE:-$here/../build/wine-template}"
limit=600
keep=0
before=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --template) template="$2"; shift 2 ;;
    --timeout) limit="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    --before) before+=("$2"); shift 2 ;;
    --) shift; break ;;
    -*) echo "e2e-run: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [[ $# -lt 1 ]]; then
  echo "usage: $0 [--template DIR] [--timeout S] [--keep] -- PROGRAM.exe [ARGS...]" >&2
  exit 2
fi
program="$1"
shift
# Wine wants an absolute prefix path.
template="$(realpath -m "$template")"

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# A 64-bit prefix needs the 64-bit loader; without it Wine can only make a
# 32-bit prefix, which has a single registry view.
arch=win64
if ! command -v wine64 >/dev/null 2>&1 && [[ ! -x /usr/lib/wine/wine64 ]]; then
  echo "e2e-run: wine64 is missing, falling back to a 32-bit prefix" >&2
  arch=win32
fi

make_template() {
  mkdir -p "$(dirname "$template")"
  local lock="$template.lock"
  # Held until this run's copy is made (released below).
  exec 8>"$lock"
  flock 8
  # The copies share the template's files, so a template from another Wine
  # version is made anew rather than updated in place.
  local stamp
  stamp="$arch $(wine --version 2>/dev/null)"
  if [[ "$(cat "$template/.quorvel-ready" 2>/dev/null)" != "$stamp" ]]; then
    rm -rf "$template" "$template.partial"
    echo "e2e-run: booting a $arch Wine prefix in $template (once)" >&2
    WINEARCH=$arch WINEPREFIX="$template.partial" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$template.partial" wineserver -w
    # Debian's wine notes its socket folder here; copies must not share it.
    rm -f "$template.partial/wineserver"
    echo "$stamp" >"$template.partial/.quorvel-ready"
    mv "$template.partial" "$template"
  fi
}

xvfb_pid=""
prefix=""
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
  local rc=$?
  if [[ -n "$prefix" && -d "$prefix" ]]; then
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$prefix" timeout 30 wineserver -w >/dev/null 2>&1 || true
    if [[ $keep -eq 1 ]]; then
      echo "e2e-run: prefix kept in $prefix" >&2
    else
      rm -rf "$prefix"
    fi
  fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  [[ -n "${display_file:-}" ]] && rm -f "$display_file"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

make_template

# Per-run copy. The prefix is large, so the files Wine never writes are hard
# links; registry and ini files are rewritten in place by wineserver and are
# copied for real.
mkdir -p "$template.runs"
prefix="$(mktemp -d "$template.runs/run.XXXXXX")"
cp -al "$template/." "$prefix/"
while IFS= read -r -d '' f; do
  cp --remove-destination "$template/${f#"$prefix/"}" "$f"
done < <(find "$prefix" -type f \( -name '*.reg' -o -name '*.ini' -o -name '.update-timestamp' \) -print0)
rm -f "$prefix/wineserver"
# Copied: a new template may now replace this one.
flock -u 8
exec 8>&-
export WINEPREFIX="$prefix"

display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [[ -s "$display_file" ]] && break
  sleep 0.1
done
if [[ ! -s "$display_file" ]]; then
  echo "e2e-run: Xvfb did not start" >&2
  exit 125
fi
DISPLAY=":$(head -n1 "$display_file" | tr -d '[:space:]')"
export DISPLAY

for cmd in "${before[@]}"; do
  # The command is shell words (quote arguments with spaces), run with wine.
  eval "timeout -k 5 120 wine $cmd"
done

set +e
timeout -k 10 "$limit" wine "$program" "$@"
status=$?
set -e
if [[ $status -eq 124 ]]; then
  echo "e2e-run: $program killed after $limit seconds" >&2
fi
exit $status
