#!/usr/bin/env bash
# Runs the installer on the bundled example package on a fresh emulated machine.
# With a display and the desktop program built, the installer opens in real windows; otherwise
# the headless runner walks the wizard with examples/demo/answers.txt and prints the transcript,
# shows where everything went, and removes the package again through its Add/Remove Programs entry.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build"

work="$top/build/example"
rm -rf "$work"
mkdir -p "$work"
cp -r "$top/examples/demo" "$work/dist"
machine="$work/machine"
tools="$top/build/tools"

if [ -n "${DISPLAY:-}" ] && [ -x "$tools/orvane-setup" ] && [ "${ORVANE_HEADLESS:-0}" != 1 ]; then
  echo "== opening the installer on the example package (machine: $machine)"
  exec "$tools/orvane-setup" --machine "$machine" "$work/dist"
fi

echo "== installing the example package (transcript of the scripted user)"
set +e
"$tools/orvane-run" --machine "$machine" --answers "$work/dist/answers.txt" "$work/dist"
echo "== orvane-run exit status: $?"
set -e
echo
echo "== where everything went"
"$tools/orvane-machine" --machine "$machine" tree 'C:\Program Files\Orvane Demo'
echo "-- shortcuts"
"$tools/orvane-machine" --machine "$machine" link \
  'C:\Users\User\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Orvane Demo\Orvane Demo.lnk'
"$tools/orvane-machine" --machine "$machine" link 'C:\Users\User\Desktop\Orvane Demo Readme.lnk'
echo "-- registry"
"$tools/orvane-machine" --machine "$machine" reg export 'HKLM\SOFTWARE\Orvane\Demo'
"$tools/orvane-machine" --machine "$machine" reg export 'HKCR\.DMO'
"$tools/orvane-machine" --machine "$machine" reg export \
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
echo "-- INI entry"
"$tools/orvane-machine" --machine "$machine" ini get 'C:\Program Files\Orvane Demo\DEMO.INI' \
  Settings DataFolder
echo "-- Add/Remove Programs"
"$tools/orvane-machine" --machine "$machine" programs
echo
echo "== removing it again through its Add/Remove Programs entry"
set +e
"$tools/orvane-run" --machine "$machine" --answers "$work/dist/uninstall-answers.txt" \
  --uninstall "Orvane Demo UnInstall"
echo "== orvane-run exit status: $?"
set -e
echo "-- what is left in Program Files and the Add/Remove Programs entries"
"$tools/orvane-machine" --machine "$machine" tree 'C:\Program Files'
"$tools/orvane-machine" --machine "$machine" programs
echo "machine folder: $machine"
