#!/bin/sh
# The Windows program's figures under Wine, in one 64-bit prefix of its own: a 10,000-file package
# (about 57 MB) installed and removed by orvane-run.exe and by an uncompressed NSIS installer of
# the same files; the uninstall log of 10,000 entries (log_bench.exe); SZDD expansion of 64 MiB
# (lz_bench_wine.sh).
# Usage: bench/wine_bench.sh WINDOWS_BUILD_FOLDER [FILES]   (a folder of scripts/build-windows.sh;
# builds orvane-run and log_bench in its win64 folder, and in win32 when that is configured)
set -eu
folder=$(realpath "${1:?usage: wine_bench.sh WINDOWS_BUILD_FOLDER [FILES]}")
count=${2:-10000}
here=$(cd "$(dirname "$0")" && pwd)
command -v makensis >/dev/null || { echo "makensis not installed (Debian package nsis)"; exit 1; }
archs=win64
[ -f "$folder/win32/CMakeCache.txt" ] && archs="win64 win32"
for arch in $archs; do
  cmake --build "$folder/$arch" --target orvane-run log_bench -j2 >/dev/null
done
work=$(mktemp -d /tmp/wine-bench-XXXXXX)
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1
# One server for the whole run (once wineboot's has gone): no timed step pays for starting one.
wineserver -w
wineserver -p
drive_c="$WINEPREFIX/drive_c"
win() { echo "Z:$1" | tr / '\\'; }
now() { date +%s.%N; }
# timed COMMAND...: runs the command after a sync and prints its seconds (its output: stderr).
timed() {
  sync; start=$(now)
  "$@" >&2 || true
  echo "$start $(now)" | awk '{printf "%.2f", $2 - $1}'
}
files_in() { find "$drive_c/$1" -name 'F*.DAT' 2>/dev/null | wc -l; }
check() {  # check WHAT FOLDER EXPECTED
  left=$(files_in "$2")
  [ "$left" -eq "$3" ] || { echo "$1: $left files in C:\\$2, expected $3"; exit 1; }
}
ratio() { echo "$1 $2" | awk '{printf "%.2f", $1 / $2}'; }

python3 "$here/make_package.py" "$work/dist" "$count" 10
echo "package: $count files, $(du -sb "$work/dist" | awk '{printf "%.1f", $1 / 1e6}') MB"

# The NSIS installer of the same files (not the SETUP.INI), with an Add/Remove Programs entry as
# ours writes; its uninstaller removes the folder.
cat > "$work/bench.nsi" <<EOF
Unicode true
Name "Bench"
OutFile "$work/nsis-setup.exe"
InstallDir "C:\\BenchNsis"
RequestExecutionLevel admin
SetCompress off
!define KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BenchNsis"
Section
  SetOutPath "\$INSTDIR"
  File /r /x SETUP.INI "$work/dist/*.*"
  WriteUninstaller "\$INSTDIR\\uninst.exe"
  WriteRegStr HKLM "\${KEY}" "DisplayName" "Bench"
  WriteRegStr HKLM "\${KEY}" "UninstallString" "\$INSTDIR\\uninst.exe"
SectionEnd
Section Uninstall
  DeleteRegKey HKLM "\${KEY}"
  RMDir /r "\$INSTDIR"
SectionEnd
EOF
makensis -V1 "$work/bench.nsi" >/dev/null
echo 'final folder C:\Bench\' > "$work/answers.txt"

# Installer and uninstaller started through wine, as a user would start them.
nsis_install=$(timed wine "$work/nsis-setup.exe" /S)
check "NSIS install" BenchNsis "$count"
# The uninstaller runs in place (_?=): otherwise it starts a copy of itself and returns at once.
nsis_remove=$(timed wine 'C:\BenchNsis\uninst.exe' /S '_?=C:\BenchNsis')
check "NSIS removal" BenchNsis 0

for arch in $archs; do
  run="$folder/$arch/orvane-run.exe"
  install=$(timed wine "$run" --answers "$(win "$work/answers.txt")" \
    --transcript "$(win "$work/install-$arch.txt")" "$(win "$work/dist")")
  tail -n 1 "$work/install-$arch.txt" | tr -d '\r' | grep -qx 'exit 0' ||
    { echo "install failed:"; tail "$work/install-$arch.txt"; exit 1; }
  check "install ($arch)" Bench "$count"
  remove=$(timed wine "$run" --transcript "$(win "$work/remove-$arch.txt")" \
    --uninstall "Bench UnInstall")
  check "removal ($arch)" Bench 0
  echo "== install and removal of $count files (orvane-run.exe $arch, NSIS 32-bit)"
  echo "install: orvane-run $install s, NSIS $nsis_install s," \
    "ratio $(ratio "$install" "$nsis_install")"
  echo "removal: orvane-run $remove s, NSIS $nsis_remove s, ratio $(ratio "$remove" "$nsis_remove")"
  echo "both:    ratio $(echo "$install $remove $nsis_install $nsis_remove" |
    awk '{printf "%.2f", ($1 + $2) / ($3 + $4)}') (goal: 1 or less)"
  echo "== uninstall log (log_bench.exe $arch, the backend's INI model; goal: under 1 s)"
  wine "$folder/$arch/log_bench.exe" | tr -d '\r'
done

echo "== SZDD expansion (lz_bench_wine.sh)"
"$here/lz_bench_wine.sh"
