#!/usr/bin/env bash
# The Windows zips of scripts/build-windows.sh, unpacked and checked against the build and the
# source tree: tests/package/zip_test.sh [FOLDER] (default build-windows). Each holds one folder
# with SETUP.EXE and orvane-run.exe of its build (32-bit i386 or 64-bit x86-64), the README with
# its pictures, and the example package, and nothing else.
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
folder="$(realpath -m "${1:-$top/build-windows}")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

expected="$scratch/expected"
{
  echo README.md
  (cd "$top" && find docs examples/demo -type f)
} > "$expected"
for target in "win32 pei-i386" "win64 pei-x86-64"; do
  read -r kind format <<< "$target"
  zips=("$folder/$kind"/orvane-setup-*-"$kind".zip)
  if [ ${#zips[@]} -ne 1 ] || [ ! -f "${zips[0]}" ]; then
    fail "not one zip in $folder/$kind: ${zips[*]}"
    continue
  fi
  zip="${zips[0]}"
  name="$(basename "$zip" .zip)"
  unzip -q "$zip" -d "$scratch/$kind"
  [ "$(ls "$scratch/$kind")" = "$name" ] || fail "$zip does not hold the one folder $name"
  unpacked="$scratch/$kind/$name"
  (cd "$unpacked" && find . -type f | sed 's|^\./||' | sort) > "$scratch/found"
  { sort "$expected"; echo SETUP.EXE; echo orvane-run.exe; } | sort > "$scratch/wanted"
  diff "$scratch/wanted" "$scratch/found" > "$scratch/diff" ||
    fail "$zip: the files differ from what it should hold (< missing, > extra):
$(cat "$scratch/diff")"
  for program in SETUP.EXE orvane-run.exe; do
    cmp -s "$unpacked/$program" "$folder/$kind/$program" ||
      fail "$zip: $program is not the build's"
    objdump -f "$unpacked/$program" 2> /dev/null | grep -q "file format $format" ||
      fail "$zip: $program is not $format"
  done
  while read -r file; do
    [ ! -f "$unpacked/$file" ] || cmp -s "$top/$file" "$unpacked/$file" ||
      fail "$zip: $file differs from the source tree's"
  done < "$expected"
  echo "zip_test: $(basename "$zip") ($(stat -c %s "$zip") bytes)"
done
if [ "$failures" -ne 0 ]; then
  echo "zip_test: $failures failures" >&2
  exit 1
fi
