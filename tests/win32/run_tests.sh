#!/usr/bin/env bash
# Runs the Win32 backend's tests under Wine on a fresh copy of a template prefix, then reads the
# links the tests saved with lnkinfo and compares them with what the tests asked for.
# Usage: run_tests.sh TEMPLATE TESTS_EXE LANG PLATFORM
# LANG picks Wine's ANSI code page (C.UTF-8: 1252, ja_JP.UTF-8: 932; Wine needs a UTF-8 Unix
# locale to name files in code page 932); PLATFORM is the PlatformId the tests expect (1 in a
# prefix posing as Windows 98, 2 otherwise).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
template=$1 tests=$2 lang=$3 platform=$4
command -v lnkinfo > /dev/null || { echo "lnkinfo not installed (liblnk-utils)"; exit 1; }

links=$(mktemp -d "${TMPDIR:-/tmp}/orvane-win32-links-XXXXXX")
trap 'rm -rf "$links"' EXIT
# The tests' helper program and component DLLs lie beside the test program.
cd "$(dirname "$tests")"
TZ=Asia/Tokyo LANG=$lang LC_ALL='' ORVANE_EXPECT_PLATFORM=$platform \
  ORVANE_LINK_FOLDER="Z:$(echo "$links" | tr / '\\')" \
  "$here/../windows/wine-run.sh" "$template" "$tests" > "$links/log" 2>&1
status=$?
tr -d '\r' < "$links/log" | grep -v -e '^\[ RUN' -e '^\[       OK' -e '^Running main'

value() { printf '%s\n' "$1" | sed -n "s/^\t$2[\t ]*: //p"; }
codepage=windows-1252
[ "$lang" = ja_JP.UTF-8 ] && codepage=windows-932
count=0
while IFS=$'\t' read -r file target folder arguments; do
  out=$(lnkinfo -c $codepage "$links/$file" 2>&1) || { echo "lnkinfo cannot read $file"; status=1; }
  for pair in "Local path|$target" "Working directory|$folder" "Command line arguments|$arguments"; do
    got=$(value "$out" "${pair%%|*}")
    if [ "$got" != "${pair#*|}" ]; then
      echo "lnkinfo $file: ${pair%%|*} is '$got', expected '${pair#*|}'"
      status=1
    fi
  done
  count=$((count + 1))
done < <(cat "$links/expected.txt" 2> /dev/null)
echo "lnkinfo ($codepage) read $count links as saved"
[ $count -gt 0 ] || { echo "no links were saved"; status=1; }
exit $status
