#!/usr/bin/env bash
# wine-run.sh [--prefix DIR] PROGRAM.exe [ARGUMENTS...]
# Runs a Windows program under Wine for CTest and gtest's test discovery, in the
# Wine prefix $WINEPREFIX, else DIR (the build folder's own prefix; never ~/.wine).
# Windows text-mode output ends lines with CR LF; the CR is dropped so that the
# test-list parser sees plain lines. The program's exit status is kept.
if [[ "${1:-}" == "--prefix" ]]; then
  export WINEPREFIX="${WINEPREFIX:-$2}"
  shift 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
wine "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
