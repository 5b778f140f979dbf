#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the interop checks need (as root, or
# through sudo when it is there). Packages already present are left alone. With --build, only
# what configuring and building the CLI, the module and the stand-in needs (the quick start); the
# MinGW windres and the Win32 resource headers compile dxf.rc into the resources the stand-in reads.
set -euo pipefail

packages=(
  cmake g++ make
  libgtest-dev libgmock-dev googletest
  nlohmann-json3-dev libcli11-dev
  libncurses-dev
  binutils-mingw-w64-x86-64 mingw-w64-common
)
[ "${1:-}" == --build ] || packages+=(
  gdal-bin python3-ezdxf librsvg2-bin
  tmux
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 xvfb xauth
  clang libclang-rt-14-dev gcovr
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
echo "Installing: ${missing[*]}"
run apt-get update -qq
DEBIAN_FRONTEND=noninteractive run apt-get install -y -qq --no-install-recommends "${missing[@]}"
