#!/usr/bin/env bash
# Installs what building, running and testing Kicklist needs on Debian 12.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  fonts-noto-cjk fonts-ipafont-gothic fonts-vlgothic fonts-takao-gothic
  xvfb xauth xdotool x11-utils imagemagick python3
  hyperfine time
  g++-mingw-w64-x86-64 wine wine64 locales
  librsvg2-bin desktop-file-utils appstream lintian
  clang-14 libclang-rt-14-dev clang-tidy-14
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows tests run once under the Japanese code page, which wine takes
# from this locale.
if ! locale -a 2>/dev/null | grep -qx 'ja_JP.utf8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
