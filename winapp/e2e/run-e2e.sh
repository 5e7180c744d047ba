#!/usr/bin/env bash
# run-e2e.sh VESKARO_EXE E2E_TEST_EXE SAMPLE_DIR SCREENSHOT_DIR OBJDUMP
# End-to-end test of veskaro.exe under Wine: the sample installation is laid into
# the Wine prefix (its Windows folder as C:\W98, beside Wine's own C:\windows; its
# other files at the root of C:), its registry imported, and the program driven
# phase by phase by E2E_TEST_EXE, with a screenshot of the screen after each phase
# (cut to the program's windows) in SCREENSHOT_DIR.
# Every DLL function the program calls while it runs is recorded through Wine's
# relay channel (calls from veskaro.exe only) into runtime-calls.txt beside the
# program, and checked against the Windows 98 list (win32/win98-imports.txt): a
# call of a function that Windows 95/98 lack or only stub fails the test.
# Needs WINEPREFIX (or VESKARO_WINEPREFIX) and an X display (VESKARO_XVFB_DISPLAY
# or DISPLAY), as scripts/test-windows.sh provides; without a display the test is
# skipped (exit 77). Wine programs run through $WINELOADER, else Wine's 64-bit
# loader (never /usr/bin/wine, which picks the 32-bit loader when wine32:i386 is
# installed). VESKARO_EXE may be the x86-64 test build or the shipped 32-bit
# program (scripts/test-windows-i686.sh), whose calls are checked as such; the
# driver is the 64-bit test build either way.
set -euo pipefail
exe=$1 driver=$2 sample=$3 shots=$4 objdump=$5
here=$(cd "$(dirname "$0")" && pwd)
allowlist=$here/../../win32/win98-imports.txt
calls=$(dirname "$exe")/runtime-calls.txt
relay=$shots/.relay.log

export WINEPREFIX=${VESKARO_WINEPREFIX:-${WINEPREFIX:-}}
export DISPLAY=${VESKARO_XVFB_DISPLAY:-${DISPLAY:-}}
export WINEDEBUG=${WINEDEBUG:--all}
export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
wine() { "$WINELOADER" "$@"; }
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
# Links open a recorder instead of a browser or mail program: it appends the target
# to C:\links.txt.
for scheme in http mailto; do
  wine reg add "HKCR\\$scheme\\shell\\open\\command" /ve \
    /d 'C:\windows\system32\cmd.exe /c echo %1>>C:\links.txt' /f >/dev/null 2>&1
done
# The relay channel logs the calls made from veskaro.exe, every one of them (Wine
# ignores the include list while its default exclude list is set).
wine reg delete 'HKCU\Software\Wine\Debug' /v RelayFromExclude /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Debug' /v RelayFromInclude /d veskaro.exe /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Debug' /v RelayExclude /d '' /f >/dev/null 2>&1

# ---- the folders "Copy" writes to ----
# C:\COPYOUT an empty folder; C:\FULL (when this runs as root) a 64 KB memory file
# system, too small for the gathered files. (Folders on drive C:, because the
# shell's drive list ignores drive letters added while Wine runs.)
copy_dir=$drive_c/COPYOUT full_dir=$drive_c/FULL full_mounted=0
rm -rf "$copy_dir" "$full_dir"
mkdir -p "$copy_dir" "$full_dir"
export VESKARO_COPY_TO='C:\COPYOUT' VESKARO_FULL_DRIVE=""
if [[ $(id -u) -eq 0 ]] && mount -t tmpfs -o size=64k veskaro-full "$full_dir" 2>/dev/null; then
  full_mounted=1
  VESKARO_FULL_DRIVE='C:\FULL'
fi

# ---- the phases ----
mkdir -p "$shots"
finished=0
cleanup() {
  if ((!finished)); then wine taskkill /f /im veskaro.exe >/dev/null 2>&1 || true; fi
  rm -f "$shots/.screen.xwd" "$shots"/.phase-*.log "$relay"
  if ((full_mounted)); then umount "$full_dir" 2>/dev/null || true; fi
  rm -rf "$copy_dir" "$full_dir"
}
trap cleanup EXIT

export VESKARO_EXE VESKARO_WINDIR='C:\W98' VESKARO_LINKS='C:\links.txt'
VESKARO_EXE=$(winpath "$exe")
declare -A rect
pid=""
# phase NAME [WINEDEBUG]: one phase of the driver. Its output goes through a file:
# the program it starts inherits the driver's standard output and keeps it open.
# With WINEDEBUG, Wine's debug output (the driver's and the program's) goes to
# $relay instead.
phase() {
  local log="$shots/.phase-$1.log" ok=1
  if [[ -n "${2:-}" ]]; then
    WINEDEBUG=$2 wine "$driver" --gtest_filter="Veskaro.$1" >"$log" 2>>"$relay" </dev/null || ok=0
  else
    wine "$driver" --gtest_filter="Veskaro.$1" >"$log" 2>&1 </dev/null || ok=0
  fi
  if ((!ok)); then
    tr -d '\r' <"$log"
    echo "run-e2e: phase $1 failed" >&2
    return 1
  fi
  tr -d '\r' <"$log" | grep -v '^@rect\|^@pid' || true
  while read -r _ what l t r b; do
    rect[$what]="$l $t $r $b"
  done < <(tr -d '\r' <"$log" | grep '^@rect')
  while read -r _ _ id; do
    pid=$id
  done < <(tr -d '\r' <"$log" | grep '^@pid')
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

: >"$relay"
phase Start -all,+pid,+relay
shot veskaro-win32 ${rect[main]}
phase Viewer
phase About
shot_window veskaro-win32-about "About Veskaro 1.0"
phase Batch
shot veskaro-win32-batch ${rect[main]}
phase Picker
shot veskaro-win32-picker ${rect[picker]}
phase Copy
phase Exit
finished=1

# ---- the functions the program called ----
# A 32-bit program's DLLs are the prefix's 32-bit ones (syswow64 in a 64-bit prefix).
system_dir=$WINEPREFIX/drive_c/windows/system32 check=--calls
if "$objdump" -f "$exe" | grep -q 'file format pei-i386'; then
  check=--calls-i686
  [[ -d "$WINEPREFIX/drive_c/windows/syswow64" ]] && system_dir=$WINEPREFIX/drive_c/windows/syswow64
fi
python3 "$here/runtime_calls.py" "$objdump" "$exe" "$system_dir" "$relay" "$pid" "$calls"
"$here/../../win32/check-imports.sh" "$check" "$calls" "$allowlist"
