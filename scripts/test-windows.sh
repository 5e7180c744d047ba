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
# 32-bit Wine (wine32:i386) cannot start here; installed, it even breaks `wine`,
# whose launcher then always starts the 32-bit loader first. Emulated through
# qemu-user (qemu-i386-static as binfmt_misc interpreter), creating one 32-bit
# prefix alone took about ten minutes and each Wine process about a minute of
# processor time, too slow for ./test.
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

jobs=2
# One run at a time: runs share the build folders and the Wine prefix, which each
# run starts afresh. A second run waits here for the first to end; a lock whose
# run has gone (killed) is taken over.
lock=$repo/build/.test-windows.lock
mkdir -p "$repo/build"
until mkdir "$lock" 2>/dev/null; do
  holder=$(cat "$lock/pid" 2>/dev/null || true)
  if [[ -n "$holder" ]] && ! kill -0 "$holder" 2>/dev/null ||
     [[ -z "$holder" && -n "$(find "$lock" -maxdepth 0 -mmin +1 2>/dev/null)" ]]; then
    rm -rf "$lock"
    continue
  fi
  echo "-- windows: waiting for the run of process ${holder:-?} to end" >&2
  sleep 5
done
echo $$ >"$lock/pid"
trap 'rm -rf "$lock"' EXIT

i686_build=$repo/build/win-i686
x64_build=$repo/build/win-x64
gtest_prefix=$x64_build/_deps/googletest
note() { echo "-- windows: $*" >&2; }

# ---- packages (64-bit Wine only: wine32:i386 cannot run here, see above) ----
packages=(wine wine64 xvfb xauth x11-utils x11-apps fonts-wine g++-mingw-w64-i686
          g++-mingw-w64-x86-64 mingw-w64-tools googletest cmake ninja-build python3)
missing=()
for p in "${packages[@]}"; do
  [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" == "install ok installed" ]] ||
    missing+=("$p")
done
if ((${#missing[@]})); then
  note "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The targets of `wanted` that the build folder $1 defines.
existing_targets() {
  local build=$1; shift
  local t
  for t in "$@"; do
    ninja -C "$build" -t query "$t" >/dev/null 2>&1 && echo "$t"
  done
  return 0
}

# ---- 32-bit release build with the import check ----
SECONDS=0
note "configuring and building $i686_build"
cmake -S "$repo" -B "$i686_build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-w64-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVESKARO_WERROR=ON -DVESKARO_TESTS=OFF -DVESKARO_QT=OFF >/dev/null
mapfile -t targets < <(existing_targets "$i686_build" "${I686_TARGETS[@]}")
ninja -C "$i686_build" -j "$jobs" "${targets[@]}"
note "32-bit build done in ${SECONDS}s: ${targets[*]}"

# ---- Wine: a throw-away prefix, its own wineserver and its own X display ----
# The 64-bit loader by name, never /usr/bin/wine: that launcher starts the 32-bit
# loader whenever wine32:i386 is installed (scripts/test-windows-i686.sh installs
# it), which this machine cannot run. WINELOADER also tells the scripts the tests
# run (win32/wine-run.sh, winapp/e2e/run-e2e.sh) which loader to use.
export WINELOADER=/usr/lib/wine/wine64
wine() { "$WINELOADER" "$@"; }
export WINEPREFIX=$x64_build/wineprefix
export WINEDEBUG=-all
export WINEARCH=win64
wineserver_pid="" xvfb_pid=""
stop_services() {
  if [[ -n "$wineserver_pid" ]]; then
    wineserver -k 2>/dev/null || true  # ends the Wine processes of this prefix
    kill "$wineserver_pid" 2>/dev/null || true
    wait "$wineserver_pid" 2>/dev/null || true
  fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$lock"
}
trap stop_services EXIT

SECONDS=0
for display in $(seq 90 140); do
  [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]] && continue
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    xdpyinfo -display ":$display" >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if xdpyinfo -display ":$display" >/dev/null 2>&1; then break; fi
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[[ -n "$xvfb_pid" ]] || { echo "test-windows: could not start Xvfb" >&2; exit 1; }
export DISPLAY=":$display" VESKARO_XVFB_DISPLAY=":$display"

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -f -p &
wineserver_pid=$!
# Wait for its socket, so that wineboot finds it instead of starting another one.
read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX")
socket=$(printf '/tmp/.wine-%d/server-%x-%x/socket' "$(id -u)" "$dev" "$ino")
for _ in $(seq 100); do
  [[ -S "$socket" ]] && break
  kill -0 "$wineserver_pid" 2>/dev/null || { echo "test-windows: wineserver ended" >&2; exit 1; }
  sleep 0.05
done
# No Mono or Gecko installers (there is no network); a crash ends the program
# instead of waiting in the debugger.
WINEDLLOVERRIDES="mscoree=;mshtml=" wine wineboot -i >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /t REG_SZ /d false /f >/dev/null 2>&1
# Wine's own MS Sans Serif (sserife.fon, ms_sans_serif.ttf) and its other fonts, so
# that the windows get the metrics of the face they are designed for.
cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
wine cmd /c exit >/dev/null 2>&1
export VESKARO_WINEPREFIX=$WINEPREFIX VESKARO_WIN_BUILD=$x64_build
note "Wine prefix and Xvfb $DISPLAY ready in ${SECONDS}s"

# ---- 64-bit test build; gtest's test discovery runs under the prefix above ----
SECONDS=0
if [[ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]]; then
  note "building GoogleTest from /usr/src/googletest"
  cmake -S /usr/src/googletest -B "$x64_build/_deps/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" >/dev/null
  ninja -C "$x64_build/_deps/googletest-build" -j "$jobs" install >/dev/null
fi
note "configuring and building $x64_build"
cmake -S "$repo" -B "$x64_build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Debug -DVESKARO_WERROR=ON -DVESKARO_TESTS=ON -DVESKARO_QT=OFF \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" >/dev/null
mapfile -t targets < <(existing_targets "$x64_build" "${X64_TARGETS[@]}")
((${#targets[@]})) || { echo "test-windows: no test executable to build" >&2; exit 1; }
ninja -C "$x64_build" -j "$jobs" "${targets[@]}"
note "64-bit test build done in ${SECONDS}s"

# ---- the tests ----
SECONDS=0
status=0
for dir in "${X64_TEST_DIRS[@]}"; do
  ctest --test-dir "$x64_build/$dir" --no-tests=error --output-on-failure --timeout 120 \
    -j "$jobs" || status=1
done
note "Wine tests done in ${SECONDS}s"
exit "$status"
