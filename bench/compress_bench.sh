#!/bin/sh
# SZDD compression: orvane-pack compress against mscompress on the build's programs, text and
# 64 MiB of mixed and of random data (size and speed of each), and every file orvane-pack made
# expanded back by msexpand and, when Wine and mingw-w64 are there, by the system's LZ32
# (LZOpenFileW + LZCopy, all files in one start), compared byte for byte with the originals.
# msexpand writes byte by byte: the two 64 MiB files take it minutes.
# Usage: bench/compress_bench.sh BUILD_FOLDER [--quick]   (--quick: no 64 MiB files)
set -eu
build=$(cd "${1:?usage: compress_bench.sh BUILD_FOLDER [--quick]}" && pwd)
quick=${2:-}
top=$(cd "$(dirname "$0")/.." && pwd)
for tool in mscompress msexpand; do
  command -v $tool >/dev/null || { echo "$tool not installed (Debian package mscompress)"; exit 1; }
done
cmake --build "$build" --target orvane-pack lz_bench -j2 >/dev/null
pack="$build/tools/orvane-pack"
work=$(mktemp -d "${TMPDIR:-/tmp}/compress-bench-XXXXXX")
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && [ "$WINEPREFIX" = "$work/prefix" ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/in" "$work/ours" "$work/peer"

cp "$build/tools/orvane-run" "$work/in/orvane-run.bin"
cp "$pack" "$work/in/orvane-pack.bin"
cat "$top"/README.md "$top"/support/*.cpp "$top"/install/*.cpp > "$work/in/sources.txt"
if [ "$quick" != --quick ]; then
  "$build/bench/lz_bench" --generate "$work/in/mixed64.bin" 64 >/dev/null
  head -c 67108864 /dev/urandom > "$work/in/random64.bin"
fi
# Sizes at the format's edges.
head -c 1048576 /dev/urandom > "$work/seed.bin"
for size in 0 1 2 3 17 18 19 4096 4097 70000; do
  head -c $size "$work/seed.bin" > "$work/in/edge$size.dat"
done

now() { date +%s.%N; }
printf '%-18s %12s %12s %8s %12s %8s %9s %9s\n' file bytes orvane-pack ratio mscompress ratio \
  "MB/s ours" "MB/s peer"
for file in "$work"/in/*; do
  name=$(basename "$file")
  bytes=$(stat -c %s "$file")
  start=$(now)
  "$pack" compress "$file" --out "$work/ours" >/dev/null
  mid=$(now)
  cp "$file" "$work/peer/$name"
  (cd "$work/peer" && mscompress "$name")
  end=$(now)
  ours=$(stat -c %s "$work/ours/${name%?}_")
  peer=$(stat -c %s "$work/peer/${name}_")
  rm -f "$work/peer/$name" "$work/peer/${name}_"
  echo "$name $bytes $ours $peer $start $mid $end" | awk '{
    r1 = $2 ? $3 / $2 : 0; r2 = $2 ? $4 / $2 : 0
    printf "%-18s %12d %12d %7.1f%% %12d %7.1f%% %9.1f %9.1f\n", $1, $2, $3, 100 * r1, $4,
      100 * r2, $2 / ($6 - $5) / 1e6, $2 / ($7 - $6) / 1e6 }'
done

# Back through msexpand, all files in one run (it writes each without the trailing "_").
mkdir "$work/msexpand"
cp "$work"/ours/* "$work/msexpand/"
start=$(now)
(cd "$work/msexpand" && msexpand ./*_ >/dev/null)
echo "msexpand: $(echo "$start $(now)" | awk '{printf "%.1f", $2 - $1}') s for all files"
bad=0
for file in "$work"/in/*; do
  name=$(basename "$file")
  cmp -s "$file" "$work/msexpand/${name%?}" || {
    echo "msexpand: $name differs"
    bad=1
  }
done

# Back through the system's LZ32 under Wine.
wine=$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || true)
if [ -n "$wine" ] && command -v x86_64-w64-mingw32-gcc >/dev/null; then
  x86_64-w64-mingw32-gcc -O2 -municode "$top/bench/lzcopy_batch.c" -o "$work/lzcopy.exe" -llz32
  if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX="$work/prefix"
    "$wine" wineboot -i >/dev/null 2>&1
  fi
  export WINEDEBUG=-all
  mkdir "$work/wine"
  win() { echo "Z:$1" | tr / '\\'; }
  set --
  for file in "$work"/ours/*; do
    set -- "$@" "$(win "$file")" "$(win "$work/wine/$(basename "$file")")"
  done
  "$wine" "$work/lzcopy.exe" "$@" | tr -d '\r' | sed 's/^.*\\//; s/^/LZCopy: /' | grep -E '64|error|cannot' || true
  for file in "$work"/in/*; do
    name=$(basename "$file")
    cmp -s "$file" "$work/wine/${name%?}_" || {
      echo "LZ32: $name differs"
      bad=1
    }
  done
  echo "LZ32 under Wine: checked $(ls "$work/wine" | wc -l) files"
else
  echo "LZ32 under Wine: skipped (needs wine64 and mingw-w64, Debian packages)"
fi
[ $bad = 0 ] && echo "every file came back byte for byte"
exit $bad
