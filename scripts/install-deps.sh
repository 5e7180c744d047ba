#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, quietly, and only the
# ones that are missing. Usage: scripts/install-deps.sh [EXTRA_PACKAGE...]
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcreg-dev libbfio-dev libtsk-dev libqcow-dev nlohmann-json3-dev
  dosfstools mtools fdisk qemu-utils
  qt6-base-dev libxdo-dev libx11-dev xvfb xauth x11-utils desktop-file-utils
  clang libclang-rt-14-dev valgrind
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
