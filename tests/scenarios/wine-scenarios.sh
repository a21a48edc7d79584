#!/usr/bin/env bash
# The scenario suite through the Windows build's orvane-run.exe under Wine (tests/scenarios/
# Scenario.h tells how): the 64-bit and the 32-bit program on prefixes of their own, and the
# 32-bit program on a prefix posing as Windows 98 for the scenarios of the Windows 9x branches.
# Usage: tests/scenarios/wine-scenarios.sh LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER
# (the folders scripts/build.sh and scripts/build-windows.sh made). Prints passed and skipped
# scenarios (with the reasons) per kind; exits non-zero when any failed.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
linux="$(realpath "${1:?usage: wine-scenarios.sh LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER}")"
windows="$(realpath "${2:?usage: wine-scenarios.sh LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER}")"
tests="$linux/tests/scenario_tests"
shards="${ORVANE_WINE_SHARDS:-2}"
export WINEDEBUG=-all

# The scenarios that take the Windows 9x branches: replacement at restart through WININIT.INI
# and the platform check that puts the common folders' shortcuts in the user's own.
win98_filter='InstallScenario.LockedFileIsReplacedAtRestart:InstallScenario.RegistryIniAndShortcutEntries'

for file in "$tests" "$windows/win64/orvane-run.exe" "$windows/win32/orvane-run.exe"; do
  [ -f "$file" ] || { echo "wine-scenarios.sh: $file is missing"; exit 1; }
done
results="$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine-scenarios-XXXXXX")"
trap 'rm -rf "$results"' EXIT
start=$SECONDS
failed=0
for kind in win64 win32 win98; do
  "$here/../windows/wine-prefix.sh" template "$windows/wine/$kind" "$kind" || exit 1
  filter='*'
  [ "$kind" = win98 ] && filter="$win98_filter"
  # The kind's scenarios in shards run side by side, each scenario on a prefix of its own.
  for ((shard = 0; shard < shards; ++shard)); do
    ORVANE_SCENARIO_TARGET=$kind ORVANE_WINDOWS_BUILD="$windows" GTEST_TOTAL_SHARDS=$shards \
      GTEST_SHARD_INDEX=$shard "$tests" --gtest_filter="$filter" \
      --gtest_output="json:$results/$kind-$shard.json" > "$results/$kind-$shard.log" 2>&1 &
  done
  wait
  if ! python3 "$here/wine-summary.py" "$kind" "$results"/$kind-*.json; then
    failed=1
    for log in "$results"/$kind-*.log; do tail -n 20 "$log"; done
  fi
done
echo "wine scenarios: $((SECONDS - start)) s"
exit $failed
