#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; does nothing when all are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config
  libsqlite3-dev sqlite3 libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64
)
if [ "${WITH_WINE:-0}" = 1 ]; then
  packages+=(wine64 xvfb xdotool imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
