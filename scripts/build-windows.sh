#!/usr/bin/env bash
# Cross-builds the Windows program with mingw-w64: scripts/build-windows.sh [FOLDER]
# (default build-windows in the source tree). FOLDER/win32 (i686) and FOLDER/win64 (x86_64) are
# CMake build folders holding SETUP.EXE and orvane-run.exe, statically linked and optimised for
# size, and the Windows tests, which `ctest` in each folder runs under Wine on fresh copies of
# template prefixes kept in FOLDER/wine. When a certificate is given (see scripts/sign-windows.sh),
# the programs are signed. Each folder also gets a zip of the programs and the example package.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
folder="$(realpath -m "${1:-$top/build-windows}")"
for target in "win32 i686" "win64 x86_64"; do
  read -r name arch <<< "$target"
  cmake -S "$top" -B "$folder/$name" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
    -DORVANE_MINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DORVANE_WINE_TEMPLATES="$folder/wine" > /dev/null
  cmake --build "$folder/$name" -j2
done
if [ -n "${ORVANE_SIGN_PKCS12:-}${ORVANE_SIGN_CERT:-}" ]; then
  for program in "$folder"/win{32,64}/{orvane-run.exe,SETUP.EXE}; do
    [ ! -f "$program" ] || "$top/scripts/sign-windows.sh" "$program"
  done
fi
# Each build zipped: SETUP.EXE, orvane-run.exe, the README and the example package
# (FOLDER/win32/orvane-setup-VERSION-win32.zip, FOLDER/win64/...-win64.zip).
for name in win32 win64; do
  (cd "$folder/$name" && rm -f ./*.zip ./*.zip.sha256 && cpack -G ZIP > /dev/null)
done
