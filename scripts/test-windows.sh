#!/usr/bin/env bash
# The Windows builds and their tests:
#   build/win-i686  the shipped 32-bit build (Release, mingw-w64 `win32` threads):
#                   the core libraries, platform/win32 and the executables, each
#                   .exe checked against the Windows 98 import list;
#   build/win-x64   the test build (Debug, mingw-w64 `posix` threads, GoogleTest
#                   compiled from Debian's source), run under 64-bit Wine in a
#                   throw-away prefix with its own wineserver and Xvfb. The
#                   end-to-end test records every DLL function veskaro.exe calls
#                   (winapp/runtime-calls.txt) and checks it against the Windows
#                   98 list.
# Installs the Debian packages it needs when they are missing.
#
# Why the runs are 64-bit: this machine's kernel runs no 32-bit x86 code (its
# 32-bit emulation is off and the hypervisor offers no 32-bit code segment), so a
# 32-bit Wine can run here only emulated by qemu-user. The shipped 32-bit program
# is tested that way by scripts/test-windows-i686.sh, for Windows 95, 98 and Me;
# it takes several minutes and is not part of ./test.
#
# To add to it: executables of the 32-bit build go into I686_TARGETS; test
# executables into X64_TARGETS, and the build folders their tests are registered
# in (relative to build/win-x64) into X64_TEST_DIRS. A test may read
# VESKARO_WINEPREFIX, VESKARO_XVFB_DISPLAY (also in DISPLAY) and VESKARO_WIN_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

I686_TARGETS=(veskaro_platform veskaro_inf veskaro_registry veskaro_drivers veskaro_app
              veskaro_platform_win32 veskaro_win98_probe veskaro)
X64_TARGETS=(veskaro_platform_test veskaro_platform_win32_test veskaro veskaro_e2e_test)
X64_TEST_DIRS=(platform winapp)

source "$repo/scripts/windows-lib.sh"
windows_lock
scripts/install-deps.sh "${WINDOWS_PACKAGES[@]}"

windows_build_i686 "${I686_TARGETS[@]}"

# The 64-bit loader by name, never /usr/bin/wine: that launcher starts the 32-bit
# loader whenever wine32:i386 is installed, which this machine cannot run.
# WINELOADER also tells the scripts the tests run (win32/wine-run.sh,
# winapp/e2e/run-e2e.sh) which loader to use.
export WINELOADER=/usr/lib/wine/wine64
windows_start_wine "$x64_build/wineprefix"
export VESKARO_WIN_BUILD=$x64_build

# gtest's test discovery runs under the prefix above.
windows_build_x64 "${X64_TARGETS[@]}"

# ---- the tests ----
SECONDS=0
status=0
for dir in "${X64_TEST_DIRS[@]}"; do
  ctest --test-dir "$x64_build/$dir" --no-tests=error --output-on-failure --timeout 120 \
    -j "$jobs" || status=1
done
note "Wine tests done in ${SECONDS}s"
exit "$status"
