#!/usr/bin/env bash
# run-e2e.sh VESKARO_EXE E2E_TEST_EXE SAMPLE_DIR SCREENSHOT_DIR
# End-to-end test of veskaro.exe under Wine: the sample installation is laid into
# the Wine prefix (its Windows folder as C:\W98, beside Wine's own C:\windows; its
# other files at the root of C:), its registry imported, and the program driven
# phase by phase by E2E_TEST_EXE, with a screenshot of the screen after each phase
# (cut to the program's windows) in SCREENSHOT_DIR.
# Needs WINEPREFIX (or VESKARO_WINEPREFIX) and an X display (VESKARO_XVFB_DISPLAY
# or DISPLAY), as scripts/test-windows.sh provides; without a display the test is
# skipped (exit 77).
set -euo pipefail
exe=$1 driver=$2 sample=$3 shots=$4
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=${VESKARO_WINEPREFIX:-${WINEPREFIX:-}}
export DISPLAY=${VESKARO_XVFB_DISPLAY:-${DISPLAY:-}}
export WINEDEBUG=${WINEDEBUG:--all}
if [[ -z "$DISPLAY" || -z "$WINEPREFIX" || ! -d "$WINEPREFIX/drive_c" ]]; then
  echo "run-e2e: no X display or Wine prefix; run it through scripts/test-windows.sh" >&2
  exit 77
fi

# A Unix path as Wine's Z: drive spells it.
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# ---- the sample installation ----
drive_c=$WINEPREFIX/drive_c
rm -rf "$drive_c/W98"
cp -r "$sample/drive_c/WINDOWS" "$drive_c/W98"
for item in "$sample"/drive_c/*; do
  name=$(basename "$item")
  [[ "$name" == WINDOWS ]] && continue
  rm -rf "${drive_c:?}/$name"
  cp -r "$item" "$drive_c/$name"
done
wine reg import "$(winpath "$sample/system.reg")" >/dev/null 2>&1 ||
  { echo "run-e2e: wine reg import of the sample registry failed" >&2; exit 1; }
# Without a window manager Wine then draws the windows' frames and captions itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# ---- the phases ----
mkdir -p "$shots"
finished=0
cleanup() {
  if ((!finished)); then wine taskkill /f /im veskaro.exe >/dev/null 2>&1 || true; fi
  rm -f "$shots/.screen.xwd" "$shots"/.phase-*.log
}
trap cleanup EXIT

export VESKARO_EXE VESKARO_WINDIR='C:\W98'
VESKARO_EXE=$(winpath "$exe")
declare -A rect
# phase NAME: one phase of the driver. Its output goes through a file: the program
# it starts inherits the driver's standard output and keeps it open.
phase() {
  local log="$shots/.phase-$1.log"
  if ! wine "$driver" --gtest_filter="Veskaro.$1" >"$log" 2>&1 </dev/null; then
    tr -d '\r' <"$log"
    echo "run-e2e: phase $1 failed" >&2
    return 1
  fi
  tr -d '\r' <"$log" | grep -v '^@rect' || true
  while read -r _ what l t r b; do
    rect[$what]="$l $t $r $b"
  done < <(tr -d '\r' <"$log" | grep '^@rect')
}
# shot NAME LEFT TOP RIGHT BOTTOM: the screen, cut to the rectangle.
shot() {
  sleep 0.3  # let the program finish painting
  xwd -root -silent -display "$DISPLAY" >"$shots/.screen.xwd"
  python3 "$here/xwd2png.py" "$shots/.screen.xwd" "$shots/$1.png" "${@:2}"
  echo "run-e2e: screenshot $shots/$1.png"
}
# shot_window NAME TITLE: one top-level window by its title, frame included. (With
# Wine 8 under Xvfb the About window shows black in a dump of the root window,
# while a dump of the window itself holds what it drew.)
shot_window() {
  sleep 0.3
  local id
  id=$(xwininfo -root -tree -display "$DISPLAY" | awk -v t="\"$2\":" 'index($0, t) { print $1; exit }')
  [[ -n "$id" ]] || { echo "run-e2e: no X window titled $2" >&2; return 1; }
  xwd -id "$id" -silent -display "$DISPLAY" >"$shots/.screen.xwd"
  python3 "$here/xwd2png.py" "$shots/.screen.xwd" "$shots/$1.png"
  echo "run-e2e: screenshot $shots/$1.png"
}

phase Start
shot veskaro-win32 ${rect[main]}
phase Viewer
phase About
shot_window veskaro-win32-about "About Veskaro 1.0"
phase Batch
shot veskaro-win32-batch ${rect[main]}
phase Exit
finished=1
