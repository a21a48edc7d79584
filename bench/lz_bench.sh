#!/bin/sh
# SZDD expansion speed: 64 MiB of mixed data compressed with mscompress, expanded by our decoder
# (lz_bench, best of 3) and by msexpand in the same run (best of 3, or one run when a run takes
# longer than 20 s: it writes byte by byte and needs minutes for this size).
# Usage: bench/lz_bench.sh BUILD_FOLDER   (builds the lz_bench target there)
set -eu
build=${1:?usage: lz_bench.sh BUILD_FOLDER}
for tool in mscompress msexpand; do
  command -v $tool >/dev/null || { echo "$tool not installed (Debian package mscompress)"; exit 1; }
done
cmake --build "$build" --target lz_bench -j2 >/dev/null
bench="$build/bench/lz_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" --generate "$work/data.bin" 64
(cd "$work" && mscompress data.bin)
echo "compressed $(stat -c %s "$work/data.bin_") bytes from $(stat -c %s "$work/data.bin")"
"$bench" "$work/data.bin_" "$work/ours.bin" "$work/data.bin" | tee "$work/ours.txt"

now() { date +%s.%N; }
best=
runs=0
for round in 1 2 3; do
  cp "$work/data.bin_" "$work/peer.bi_"
  start=$(now)
  (cd "$work" && msexpand peer.bi_ >/dev/null)
  end=$(now)
  best=$(echo "$start $end ${best:-999999}" | awk '{t = $2 - $1; print (t < $3) ? t : $3}')
  cmp -s "$work/peer.bi" "$work/data.bin" || echo "note: msexpand output differs from the original"
  rm -f "$work/peer.bi"
  runs=$round
  [ "$(echo "$best" | awk '{print ($1 > 20)}')" = 1 ] && break
done
mb=$(awk '/^output/ {print $2}' "$work/ours.txt")
ours=$(awk '/file to file/ {print $(NF-1)}' "$work/ours.txt")
peer=$(echo "$mb $best" | awk '{printf "%.1f", $1 / $2}')
echo "msexpand, file to file:   $best s  $peer MB/s (best of $runs)"
echo "ratio ours/msexpand (file to file): $(echo "$ours $peer" | awk '{printf "%.0f", $1 / $2}')"

# The Windows library's LZCopy under Wine, when wine64 and mingw-w64 are installed.
wine=$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || true)
if [ -n "$wine" ] && command -v x86_64-w64-mingw32-gcc >/dev/null; then
  here=$(cd "$(dirname "$0")" && pwd)
  x86_64-w64-mingw32-gcc -O2 "$here/lzcopy_peer.c" -o "$work/lzcopy.exe" -llz32
  export WINEPREFIX="$work/wine" WINEDEBUG=-all
  best_wine=
  for round in 1 2 3; do
    line=$(cd "$work" && "$wine" lzcopy.exe data.bin_ wine.bin 2>/dev/null | tr -d '\r')
    cmp -s "$work/wine.bin" "$work/data.bin" || echo "note: LZCopy output differs from the original"
    rate=$(echo "$line" | awk '{print $(NF-1)}')
    best_wine=$(echo "$rate ${best_wine:-0}" | awk '{print ($1 > $2) ? $1 : $2}')
  done
  echo "LZCopy under Wine, in the program: $best_wine MB/s (best of 3)"
  echo "ratio ours/LZCopy (file to file): $(echo "$ours $best_wine" | awk '{printf "%.2f", $1 / $2}')"
else
  echo "LZCopy under Wine: skipped (needs wine64 and mingw-w64, Debian packages)"
fi
