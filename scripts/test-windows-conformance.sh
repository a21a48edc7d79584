#!/usr/bin/env bash
# Builds the platform conformance suite for Windows with mingw-w64 (64-bit and 32-bit) and runs it
# under Wine twice per architecture: with Wine's default ANSI code page (1252) and with code page
# 932 (LANG=ja_JP.UTF-8). Usage: scripts/test-windows-conformance.sh [FOLDER]
# (default build-windows-conformance). One Wine prefix per architecture is made on first use and
# reused: "$ORVANE_WINE_PREFIX-64" and "-32", by default under /tmp/orvane-wine-conformance.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
folder="$(realpath -m "${1:-$top/build-windows-conformance}")"
prefix_base="${ORVANE_WINE_PREFIX:-/tmp/orvane-wine-conformance}"
export WINEDEBUG=-all

for tool in wine wineboot wineserver x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix; do
  command -v "$tool" > /dev/null || { echo "$tool not found (scripts/setup.sh installs it)"; exit 1; }
done

locale -a | grep -qix 'ja_JP.utf8' || { echo "the ja_JP.UTF-8 locale is missing (scripts/setup.sh makes it)"; exit 1; }

failed=0
for arch in x86_64 i686; do
  bits=$([ "$arch" = x86_64 ] && echo 64 || echo 32)
  build="$folder/win$bits"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
      -DORVANE_MINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release > /dev/null
  fi
  cmake --build "$build" -j2 --target conformance_tests > /dev/null

  export WINEPREFIX="$prefix_base-$bits"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== making the $bits-bit Wine prefix $WINEPREFIX"
    WINEARCH=$([ "$bits" = 64 ] && echo win64 || echo win32) wineboot -i > /dev/null 2>&1
  fi
  for codepage in 1252 932; do
    lang=$([ "$codepage" = 932 ] && echo ja_JP.UTF-8 || echo C.UTF-8)
    echo "== conformance, $bits-bit, ANSI code page $codepage"
    if ! LANG=$lang LC_ALL= ORVANE_EXPECT_ACP=$codepage \
        wine "$build/tests/conformance/conformance_tests.exe" --gtest_brief=1; then
      failed=1
    fi
  done
  wineserver -k 2> /dev/null || true
done
exit $failed
