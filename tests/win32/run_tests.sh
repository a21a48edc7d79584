#!/bin/sh
# Cross-builds the Win32 backend's tests with mingw-w64 (64- and 32-bit) and runs them under Wine:
# the 64-bit program in ANSI code pages 1252 (LANG=C.UTF-8) and 932 (LANG=ja_JP.UTF-8), the
# 32-bit one in a 32-bit prefix in both, and again in a 32-bit prefix posing as Windows 98
# ("winecfg /v win98": PlatformId 1). After each run the links the tests saved are read with
# lnkinfo and compared with what the tests asked for. Wine needs a UTF-8 Unix locale for CP932
# file names (with LANG=C it cannot make them).
# Usage: tests/win32/run_tests.sh [BUILD_FOLDER]   (default: build-win32-tests)
# Prefixes live in $ORVANE_WINE_PREFIXES (default /tmp/orvane-win32-tests), made on first use.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-win32-tests}
prefixes=${ORVANE_WINE_PREFIXES:-/tmp/orvane-win32-tests}
export WINEDEBUG=-all TZ=Asia/Tokyo
for tool in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix lnkinfo /usr/lib/wine/wine64; do
  command -v $tool >/dev/null || { echo "$tool not installed (mingw-w64, liblnk-utils, wine)"; exit 1; }
done

for arch in x86_64 i686; do
  cmake -S "$top" -B "$build/$arch" -DCMAKE_SYSTEM_NAME=Windows -DORVANE_CORE_ONLY=ON \
    -DORVANE_WIN32_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=$arch-w64-mingw32-g++-posix -DCMAKE_C_COMPILER=$arch-w64-mingw32-gcc-posix \
    -DCMAKE_RC_COMPILER=$arch-w64-mingw32-windres >/dev/null
  cmake --build "$build/$arch" --target win32_shell_tests -j2 >/dev/null
done

prefix() {  # prefix NAME WINEARCH [VERSION]
  dir="$prefixes/$1"
  if [ ! -f "$dir/system.reg" ]; then
    mkdir -p "$prefixes"
    WINEPREFIX="$dir" WINEARCH=$2 /usr/lib/wine/wine wineboot -i >/dev/null 2>&1
    [ -n "${3:-}" ] && WINEPREFIX="$dir" /usr/lib/wine/wine winecfg /v "$3" >/dev/null 2>&1
    WINEPREFIX="$dir" wineserver -w
  fi
  echo "$dir"
}

# lnkinfo's value of a line ("Local path" ...), empty when the line is absent.
value() { printf '%s\n' "$1" | sed -n "s/^\t$2[\t ]*: //p"; }

failed=0
run() {  # run LABEL PREFIX WINE ARCH LANG PLATFORM
  links=$(mktemp -d /tmp/orvane-win32-links-XXXXXX)
  echo "== $1"
  status=0
  WINEPREFIX=$2 LANG=$5 ORVANE_EXPECT_PLATFORM=$6 ORVANE_LINK_FOLDER="Z:$(echo "$links" | tr / '\\')" \
    "$3" "$build/$4/win32-tests/win32_shell_tests.exe" > "$links/log" 2>&1 || status=$?
  if [ $status = 0 ]; then
    # The system's message texts are printed once, for comparison with Windows' own.
    [ -n "${texts_shown:-}" ] || tr -d '\r' < "$links/log" | sed -n '/^system texts/,/^\[/p' | sed '$d'
    texts_shown=1
    tr -d '\r' < "$links/log" | grep '^\[  PASSED'
  else
    tr -d '\r' < "$links/log" | grep -v -e '^\[ RUN' -e '^\[       OK' -e '^Running main' || true
    failed=1
  fi
  codepage=windows-1252
  [ "$5" = ja_JP.UTF-8 ] && codepage=windows-932
  count=0
  while IFS="$(printf '\t')" read -r file target folder arguments; do
    out=$(lnkinfo -c $codepage "$links/$file" 2>&1) || { echo "lnkinfo cannot read $file"; failed=1; }
    for pair in "Local path|$target" "Working directory|$folder" "Command line arguments|$arguments"; do
      got=$(value "$out" "${pair%%|*}")
      if [ "$got" != "${pair#*|}" ]; then
        echo "lnkinfo $file: ${pair%%|*} is '$got', expected '${pair#*|}'"
        failed=1
      fi
    done
    count=$((count + 1))
  done < "$links/expected.txt"
  echo "lnkinfo ($codepage) read $count links as saved"
  rm -rf "$links"
}

p64=$(prefix win64 win64)
p32=$(prefix win32 win32)
p98=$(prefix win98 win32 win98)
run "64-bit, code page 1252" "$p64" /usr/lib/wine/wine64 x86_64 C.UTF-8 2
run "64-bit, code page 932" "$p64" /usr/lib/wine/wine64 x86_64 ja_JP.UTF-8 2
run "32-bit, code page 1252" "$p32" /usr/lib/wine/wine i686 C.UTF-8 2
run "32-bit, code page 932" "$p32" /usr/lib/wine/wine i686 ja_JP.UTF-8 2
run "32-bit as Windows 98, code page 932" "$p98" /usr/lib/wine/wine i686 ja_JP.UTF-8 1
for p in "$p64" "$p32" "$p98"; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
[ $failed = 0 ] && echo "all Win32 backend runs passed" || { echo "FAILED"; exit 1; }
