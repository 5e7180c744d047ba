#!/usr/bin/env bash
# wine-run.sh [--prefix DIR] PROGRAM.exe [ARGUMENTS...]
# Runs a Windows program under Wine for CTest and gtest's test discovery, in the
# Wine prefix $WINEPREFIX, else DIR (the build folder's own prefix; never ~/.wine).
# Windows text-mode output ends lines with CR LF; the CR is dropped so that the
# test-list parser sees plain lines. The program's exit status is kept.
#
# Now and then Wine fails to start a program at all while another Wine process is
# starting (it exits non-zero before the program has printed a byte). Every program
# run here prints something first, so a run that failed with no output at all is
# tried again, at most twice.
#
# The loader is $WINELOADER, else Wine's 64-bit loader: never /usr/bin/wine, which
# starts the 32-bit loader whenever wine32:i386 is installed.
if [[ "${1:-}" == "--prefix" ]]; then
  export WINEPREFIX="${WINEPREFIX:-$2}"
  shift 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINELOADER="${WINELOADER:-/usr/lib/wine/wine64}"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2 3; do
  "$WINELOADER" "$@" > "$out"
  status=$?
  if [[ $status -eq 0 || -s "$out" ]]; then break; fi
  echo "wine-run: $1 failed to start (status $status), attempt $attempt" >&2
  sleep 1
done
tr -d '\r' < "$out"
exit "$status"
