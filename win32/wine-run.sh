#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest and gtest's test discovery.
# Windows text-mode output ends lines with CR LF; the CR is dropped so that the
# test-list parser sees plain lines. The program's exit status is kept.
export WINEDEBUG="${WINEDEBUG:--all}"
wine "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
