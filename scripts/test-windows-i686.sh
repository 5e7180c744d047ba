#!/usr/bin/env bash
# scripts/test-windows-i686.sh [VERSION...]
# The shipped program, build/win-i686/winapp/veskaro.exe, as itself under 32-bit
# Wine, emulated: the end-to-end test (winapp/e2e) once for each Windows version
# Wine is set to (win98 win95 winme when none is named), in one prefix whose
# HKCU\Software\Wine "Version" changes between the runs. Leaves the screenshots in
# build/win-i686/screenshots/VERSION/, the DLL functions the program called in
# build/win-i686/winapp/runtime-calls-VERSION.txt, and all of them together in
# runtime-calls.txt beside it, checked against the Windows 98 list like the import
# table (x64build entries count as missing here). Installs what it needs.
#
# This machine runs no 32-bit x86 code (see scripts/test-windows.sh), so every
# 32-bit Wine process runs under qemu-user (qemu-i386-static), started by a
# wrapper, without a system-wide binfmt_misc registration:
#   - a private copy of the loader layout, build/win-i686/wine-loader/: Wine's
#     64-bit loader and the two ntdll.so copied (Wine finds its other files, and
#     the loader for the other architecture, next to them), everything else linked
#     to the installed files, and as its 32-bit loader `wine` a shell script that
#     runs the one unpacked into build/win-i686/wine32/ through qemu-i386-static.
#     WINELOADER names the 64-bit loader of that tree; when a Wine process starts
#     a 32-bit one, it runs the script.
#   - the 32-bit loader starts through Wine's preloader (wine32-preloader), which
#     reserves the address ranges Wine needs with a handful of fixed mappings.
#     Without it Wine probes the ranges itself with MAP_FIXED_NOREPLACE, which
#     qemu 7.2 does not honour: every probe fails, Wine halves the range and
#     tries again, about 66,000 mmap/munmap pairs, nearly a minute of processor
#     time for every 32-bit process. With the preloader a 32-bit `cmd /c exit`
#     takes about 2 s.
#   - qemu places the 32-bit address space at a fixed host offset (-B, here
#     0x10000), and Wine's server writes another process's memory at host
#     addresses; the test driver adds the offset where it writes into the program
#     (VESKARO_REMOTE_WRITE_OFFSET).
#   - the prefix is a 64-bit one made by the native wineboot; only its 32-bit
#     half (syswow64) is installed by emulated processes.
# The driver of the end-to-end test is the native 64-bit test build; only
# veskaro.exe and the programs it starts (the word processor, the link handler)
# are emulated.
#
# Times on this 2-core machine: about 50 s for the prefix, 1 minute for the
# end-to-end test of each version.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
versions=("$@")
((${#versions[@]})) || versions=(win98 win95 winme)
for version in "${versions[@]}"; do
  [[ "$version" =~ ^win(95|98|me)$ ]] || { echo "test-windows-i686: unknown version $version" >&2; exit 2; }
done

source "$repo/scripts/windows-lib.sh"
windows_lock

# ---- packages: 32-bit Wine's libraries, its loader unpacked, and qemu-user ----
# Only the libraries (libwine:i386) are installed. The 32-bit loader and its
# preloader (wine32:i386, wine32-preloader:i386) are unpacked into the build
# folder instead: installed, the loader would make /usr/bin/wine start it, which
# this machine cannot run, and every other use of `wine` here would fail.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  note "adding the i386 architecture"
  dpkg --add-architecture i386
  apt-get update -qq  # install-deps.sh updates only when something is missing
fi
scripts/install-deps.sh "${WINDOWS_PACKAGES[@]}" libwine:i386 qemu-user-static
wine_version=$(dpkg-query -W -f='${Version}' libwine:i386)
loader_files=$i686_build/wine32
if [[ "$(cat "$loader_files/version" 2>/dev/null)" != "$wine_version" ]]; then
  note "unpacking wine32:i386 and wine32-preloader:i386 $wine_version into $loader_files"
  rm -rf "$loader_files"
  mkdir -p "$loader_files/debs"
  (cd "$loader_files/debs" &&
     apt-get download -qq -o APT::Sandbox::User=root "wine32:i386=$wine_version" "wine32-preloader:i386=$wine_version")
  for deb in "$loader_files"/debs/*.deb; do dpkg-deb -x "$deb" "$loader_files"; done
  rm -rf "$loader_files/debs"
  echo "$wine_version" >"$loader_files/version"
fi

windows_build_i686 veskaro
exe=$i686_build/winapp/veskaro.exe

# ---- the loader layout whose 32-bit loader runs under qemu ----
SECONDS=0
guest_base=10000  # hexadecimal; page-aligned and above the kernel's mmap_min_addr
tree=$i686_build/wine-loader
rm -rf "$tree"
mkdir -p "$tree/lib/wine" "$tree/share"
cp /usr/lib/wine/wine64 "$tree/lib/wine/wine64"
cp -L "$loader_files/usr/lib/wine/wine-preloader" "$tree/lib/wine/wine-preloader.i386"
ln -s /usr/lib/wine/wineserver64 "$tree/lib/wine/wineserver"
for arch in x86_64 i386; do
  dir=$tree/lib/$arch-linux-gnu/wine
  mkdir -p "$dir/$arch-unix"
  ln -s /usr/lib/$arch-linux-gnu/wine/$arch-unix/* "$dir/$arch-unix/"
  rm "$dir/$arch-unix/ntdll.so"
  cp /usr/lib/$arch-linux-gnu/wine/$arch-unix/ntdll.so "$dir/$arch-unix/ntdll.so"
  ln -s /usr/lib/$arch-linux-gnu/wine/$arch-windows "$dir/$arch-windows"
done
# The 64-bit side finds the 32-bit programs it starts without a file in syswow64
# (wineboot's rundll32) among its own DLL folders.
ln -s /usr/lib/i386-linux-gnu/wine/i386-windows "$tree/lib/x86_64-linux-gnu/wine/i386-windows"
ln -s /usr/share/wine "$tree/share/wine"
cat >"$tree/lib/wine/wine" <<EOF
#!/bin/sh
# Wine's 32-bit loader under qemu-user, through Wine's preloader (which has done
# the loader's first step, so the loader does not start itself again).
WINELOADERNOEXEC=1 exec /usr/bin/qemu-i386-static -B 0x$guest_base \\
  "\$(dirname "\$0")/wine-preloader.i386" "$loader_files/usr/lib/wine/wine" "\$@"
EOF
chmod +x "$tree/lib/wine/wine"
note "loader layout $tree ready in ${SECONDS}s"

export WINELOADER=$tree/lib/wine/wine64
windows_start_wine "$i686_build/wineprefix"
windows_build_x64 veskaro_e2e_test
driver=$x64_build/winapp/veskaro_e2e_test.exe

# ---- the end-to-end test, once for each Windows version ----
declare -A expected=([win95]=4.0 [win98]=4.10 [winme]=4.90)
status=0
rm -f "$i686_build"/winapp/runtime-calls*.txt
for version in "${versions[@]}"; do
  SECONDS=0
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
  # The version a 32-bit program of the prefix now sees (cmd's "ver": 4.0 is
  # Windows 95, 4.10 Windows 98, 4.90 Windows Me).
  seen=$(wine 'C:\windows\syswow64\cmd.exe' /c ver 2>/dev/null | grep -o 'Windows [0-9]*\.[0-9]*' || true)
  if [[ "$seen" != "Windows ${expected[$version]}" ]]; then
    note "$version: FAILED: 32-bit programs see \"${seen:-nothing}\", not Windows ${expected[$version]}"
    status=1
    continue
  fi
  note "$version: end-to-end test of $exe"
  rm -rf "$i686_build/screenshots/$version"
  if VESKARO_REMOTE_WRITE_OFFSET=$guest_base timeout --kill-after=10 900 \
       bash winapp/e2e/run-e2e.sh "$exe" "$driver" "$repo/samples/win98" \
       "$i686_build/screenshots/$version" i686-w64-mingw32-objdump; then
    mv "$i686_build/winapp/runtime-calls.txt" "$i686_build/winapp/runtime-calls-$version.txt"
    note "$version: passed in ${SECONDS}s"
  else
    status=1
    note "$version: FAILED after ${SECONDS}s"
  fi
done
mapfile -t lists < <(ls "$i686_build"/winapp/runtime-calls-*.txt 2>/dev/null)
if ((${#lists[@]})); then
  sort -u "${lists[@]}" >"$i686_build/winapp/runtime-calls.txt"
  win32/check-imports.sh --calls-i686 "$i686_build/winapp/runtime-calls.txt" \
    win32/win98-imports.txt || status=1
fi
exit "$status"
