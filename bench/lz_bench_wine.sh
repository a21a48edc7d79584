#!/bin/sh
# SZDD expansion under Wine: the system's LZ32 (LZOpenFileW + LZCopy) against the Win32 backend's
# own decoder on the same 64 MiB file made by mscompress, timed inside one Windows program (best of
# 3, 64-bit and 32-bit), with the edge cases (tiny, truncated and damaged files, long and CP932
# paths, expanded names) side by side, in the ANSI code pages 1252 and 932.
# Usage: bench/lz_bench_wine.sh   (lz_bench, compiled here for Linux, makes the data)
# Uses $WINEPREFIX when set, else a temporary prefix (made in about 20 s, removed at the end).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
for tool in mscompress c++ x86_64-w64-mingw32-g++ i686-w64-mingw32-g++ /usr/lib/wine/wine64; do
  command -v $tool >/dev/null || { echo "$tool not installed (mscompress, mingw-w64, wine)"; exit 1; }
done
work=$(mktemp -d /tmp/lz-bench-wine-XXXXXX)
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$work/prefix"
  own_prefix=1
fi
export WINEDEBUG=-all
cleanup() {
  [ -n "$own_prefix" ] && wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

c++ -std=c++20 -O2 -I"$top" "$top/bench/lz_bench.cpp" "$top/support/Szdd.cpp" \
  "$top/support/Cp932.cpp" -o "$work/lz_bench"
"$work/lz_bench" --generate "$work/data.bin" 64
(cd "$work" && mscompress data.bin)
echo "compressed $(stat -c %s "$work/data.bin_") bytes from $(stat -c %s "$work/data.bin")"
sources="$top/bench/lz_wine_bench.cpp $top/platform/win32/Win32Lz.cpp
  $top/platform/win32/Win32ShellText.cpp $top/support/Szdd.cpp $top/support/Cp932.cpp"
for arch in x86_64 i686; do
  # shellcheck disable=SC2086
  $arch-w64-mingw32-g++ -std=c++20 -O2 -static -I"$top" $sources -llz32 -o "$work/lz-$arch.exe"
done
mkdir -p "$work/out"
[ -n "$own_prefix" ] && /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
win() { echo "Z:$1" | tr / '\\'; }
run() {  # run WINE EXE [--timing-only]
  "$1" "$work/$2" "$(win "$work/data.bin_")" "$(win "$work/data.bin")" "$(win "$work/out")" \
    ${3:-} 2>/dev/null | tr -d '\r'
  rm -rf "$work/out" && mkdir "$work/out"
}
echo "== ANSI code page 1252 (default)"
run /usr/lib/wine/wine64 lz-x86_64.exe
run /usr/lib/wine/wine lz-i686.exe --timing-only
echo "== ANSI code page 932 (LANG=ja_JP.UTF-8): names and paths"
LANG=ja_JP.UTF-8 run /usr/lib/wine/wine64 lz-x86_64.exe | sed -n '/path of/,$p'
