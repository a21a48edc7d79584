#!/usr/bin/env bash
# Installs what building and testing need (Debian packages), only when something is missing.
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev googletest libbenchmark-dev mingw-w64
          mscompress liblnk-utils libfltk1.3-dev xvfb xdotool x11-utils imagemagick openbox
          fonts-ipafont-gothic fonts-ipafont-mincho fonts-liberation python3 strace
          clang libclang-rt-14-dev locales wine wine64 wine32:i386 nsis osslsigncode openssl
          dpkg-dev unzip)
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
# Wine runs the Windows build's tests: wine64, and wine32 for the 32-bit executable, which needs
# the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo_cmd dpkg --add-architecture i386
  added_architecture=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${added_architecture:-}" ]; then
  echo "installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" > /dev/null
fi
# The Japanese locale, so that Wine runs with the ANSI code page 932 (LANG=ja_JP.UTF-8) and can
# still name host files in UTF-8: without it Wine keeps code page 1252, or with LC_ALL takes 932
# but falls back to ASCII for file names.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
