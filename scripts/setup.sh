#!/usr/bin/env bash
# Installs what building and testing need (Debian packages), only when something is missing.
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev googletest libbenchmark-dev mingw-w64
          mscompress liblnk-utils libfltk1.3-dev xvfb xdotool x11-utils imagemagick
          fonts-ipafont-gothic fonts-ipafont-mincho fonts-liberation python3 strace
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" > /dev/null
fi
