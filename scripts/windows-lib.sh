# Shared by scripts/test-windows.sh and scripts/test-windows-i686.sh (sourced, not
# run): the one-run-at-a-time lock, the two cross builds, and a Wine prefix with its
# own wineserver and Xvfb display, all stopped by process id when the script ends.
# The sourcing script sets `repo` (the repository) and WINELOADER (the 64-bit Wine
# loader its programs run through) before calling windows_start_wine.

jobs=2
i686_build=$repo/build/win-i686
x64_build=$repo/build/win-x64
gtest_prefix=$x64_build/_deps/googletest
note() { echo "-- windows: $*" >&2; }
wine() { "$WINELOADER" "$@"; }

# Packages both scripts need, for scripts/install-deps.sh.
WINDOWS_PACKAGES=(wine wine64 xvfb xauth x11-utils x11-apps fonts-wine g++-mingw-w64-i686
                  g++-mingw-w64-x86-64 mingw-w64-tools googletest cmake ninja-build python3)

wineserver_pid="" xvfb_pid="" windows_lock=""
windows_stop() {
  if [[ -n "$wineserver_pid" ]]; then
    /usr/lib/wine/wineserver64 -k 2>/dev/null || true  # ends the Wine processes of the prefix
    kill "$wineserver_pid" 2>/dev/null || true
    wait "$wineserver_pid" 2>/dev/null || true
    wineserver_pid=""
  fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  [[ -z "$windows_lock" ]] || rm -rf "$windows_lock"
}
trap windows_stop EXIT

# One run at a time: the runs share the build folders and the display numbers, and
# each starts its prefix afresh. A second run waits here for the first to end; a
# lock whose run has gone (killed) is taken over.
windows_lock() {
  local lock=$repo/build/.test-windows.lock holder
  mkdir -p "$repo/build"
  until mkdir "$lock" 2>/dev/null; do
    holder=$(cat "$lock/pid" 2>/dev/null || true)
    if [[ -n "$holder" ]] && ! kill -0 "$holder" 2>/dev/null ||
       [[ -z "$holder" && -n "$(find "$lock" -maxdepth 0 -mmin +1 2>/dev/null)" ]]; then
      rm -rf "$lock"
      continue
    fi
    note "waiting for the run of process ${holder:-?} to end"
    sleep 5
  done
  echo $$ >"$lock/pid"
  windows_lock=$lock
}

# The targets among $2... that the build folder $1 defines.
existing_targets() {
  local build=$1; shift
  local t
  for t in "$@"; do
    ninja -C "$build" -t query "$t" >/dev/null 2>&1 && echo "$t"
  done
  return 0
}

# windows_build_i686 TARGET...: the shipped 32-bit Release build (mingw-w64 `win32`
# threads), each executable checked against the Windows 98 import list.
windows_build_i686() {
  local targets
  SECONDS=0
  note "configuring and building $i686_build"
  cmake -S "$repo" -B "$i686_build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVESKARO_WERROR=ON -DVESKARO_TESTS=OFF -DVESKARO_QT=OFF >/dev/null
  mapfile -t targets < <(existing_targets "$i686_build" "$@")
  ninja -C "$i686_build" -j "$jobs" "${targets[@]}"
  note "32-bit build done in ${SECONDS}s: ${targets[*]}"
}

# windows_build_x64 TARGET...: the 64-bit test build (Debug, mingw-w64 `posix`
# threads, GoogleTest compiled from Debian's source). Its test discovery runs under
# Wine: call it after windows_start_wine.
windows_build_x64() {
  local targets
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
  mapfile -t targets < <(existing_targets "$x64_build" "$@")
  ((${#targets[@]})) || { echo "test-windows: no test executable to build" >&2; exit 1; }
  ninja -C "$x64_build" -j "$jobs" "${targets[@]}"
  note "64-bit test build done in ${SECONDS}s"
}

# windows_start_wine PREFIX: Xvfb on a free display, a fresh prefix PREFIX (64-bit,
# created by wineboot through $WINELOADER) with its own wineserver, crashes ending
# the program instead of waiting in the debugger, and Wine's own fonts.
windows_start_wine() {
  local display dev ino socket mounted
  export WINEPREFIX=$1 WINEDEBUG=-all WINEARCH=win64
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

  # A run that was killed may have left the end-to-end test's small file system
  # mounted in the prefix, which would keep it from being removed.
  while read -r mounted; do
    umount "$mounted" 2>/dev/null || true
  done < <(findmnt -rn -o TARGET | grep -F "$WINEPREFIX/" || true)
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wineserver64 -f -p &
  wineserver_pid=$!
  # Wait for its socket, so that wineboot finds it instead of starting another one.
  read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX")
  socket=$(printf '/tmp/.wine-%d/server-%x-%x/socket' "$(id -u)" "$dev" "$ino")
  for _ in $(seq 100); do
    [[ -S "$socket" ]] && break
    kill -0 "$wineserver_pid" 2>/dev/null || { echo "test-windows: wineserver ended" >&2; exit 1; }
    sleep 0.05
  done
  # No Mono or Gecko installers (there is no network).
  WINEDLLOVERRIDES="mscoree=;mshtml=" wine wineboot -i >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /t REG_SZ /d false /f >/dev/null 2>&1
  # Wine's own MS Sans Serif (sserife.fon, ms_sans_serif.ttf) and its other fonts, so
  # that the windows get the metrics of the face they are designed for.
  cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
  wine cmd /c exit >/dev/null 2>&1
  export VESKARO_WINEPREFIX=$WINEPREFIX
  note "Wine prefix and Xvfb $DISPLAY ready in ${SECONDS}s"
}
