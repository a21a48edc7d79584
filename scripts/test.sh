#!/usr/bin/env bash
# The whole test suite on a fresh machine: set-up, a normal build with its tests and its Debian
# package (unpacked into a scratch root and run), the same build under AddressSanitizer and
# UndefinedBehaviorSanitizer, the parsers fuzzed for a bounded time when clang is there
# (ORVANE_FUZZ_SECONDS per target, 20 by default), and the Windows build (32- and 64-bit,
# cross-compiled with mingw-w64) with its zips, its tests and the scenario suite under Wine.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"

echo "== build and test"
"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure -j2)

echo "== the Debian package, unpacked into a scratch root and run"
"$top/scripts/package.sh" "$top/build"
"$top/tests/package/deb_test.sh" "$top"/build/orvane-setup_*.deb

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
"$top/scripts/build.sh" "$top/build-asan" -DORVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   LSAN_OPTIONS=suppressions="$top/tests/lsan.supp":print_suppressions=0 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j2)

fuzz_seconds="${ORVANE_FUZZ_SECONDS:-20}"
echo "== fuzz the parsers with libFuzzer, ${fuzz_seconds} s per target"
if command -v clang++ > /dev/null; then
  "$top/scripts/build.sh" "$top/build-fuzz" -DORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DORVANE_FUZZ_SECONDS="$fuzz_seconds"
  (cd "$top/build-fuzz" && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)
  # Inputs run per target, from the fuzzers' final statistics.
  grep -E "^[0-9]+/[0-9]+ Test: |stat::number_of_executed_units" \
      "$top/build-fuzz/Testing/Temporary/LastTest.log" |
    sed -e 's/^.* Test: /  /' -e 's/stat::number_of_executed_units: */    inputs run: /'
else
  echo "clang++ not found: fuzzing skipped"
fi

echo "== the Windows build, tested under Wine"
"$top/scripts/build-windows.sh" "$top/build-windows"
"$top/tests/package/zip_test.sh" "$top/build-windows"
for kind in win64 win32; do
  (cd "$top/build-windows/$kind" && ctest --output-on-failure -j2)
done
"$top/tests/scenarios/wine-scenarios.sh" "$top/build" "$top/build-windows"
echo "== all tests passed"
