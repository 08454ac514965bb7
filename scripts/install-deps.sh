#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need, when missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev ccache pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libgl-dev xvfb xauth fonts-dejavu-core
  lrzsz srecord lintian ser2net
  binutils-arm-none-eabi libunicorn-dev bossa-cli
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
