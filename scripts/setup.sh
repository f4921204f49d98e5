#!/usr/bin/env bash
# Installs what Kicklist needs on Debian 12; safe to run again, as packages
# already present are left alone.
#   bash scripts/setup.sh        building and running (compiler, CMake, Qt,
#                                a Japanese font, the icon converter)
#   bash scripts/setup.sh test   that, and what the tests add: the fonts the
#                                look is tried under, Xvfb and xdotool, wine
#                                and mingw-w64 and nsis, clang with its sanitizers,
#                                clang-tidy and clang-format, the packaging checkers
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  fonts-noto-cjk librsvg2-bin
)
if [[ ${1:-} == test ]]; then
  packages+=(
    fonts-ipafont-gothic fonts-vlgothic fonts-takao-gothic
    xvfb xauth xdotool x11-utils imagemagick python3
    hyperfine time ccache
    g++-mingw-w64-x86-64 wine wine64 fonts-wine locales doctest-dev nsis
    desktop-file-utils appstream lintian
    clang-14 libclang-rt-14-dev clang-tidy-14 clang-format-14
  )
fi

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows tests run once under the Japanese code page, which wine takes
# from this locale.
if [[ ${1:-} == test ]] && ! locale -a 2>/dev/null | grep -qx 'ja_JP.utf8'; then
  as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
