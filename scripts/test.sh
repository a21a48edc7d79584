#!/usr/bin/env bash
# The whole test suite on a fresh machine: set-up, a normal build with its tests, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, the parsers fuzzed for a bounded time when clang
# is there (ORVANE_FUZZ_SECONDS per target, 20 by default), and the core library cross-compiled
# with mingw-w64 with the in-memory backend (proof that no host header has crept into either), and
# the conformance suite of the Win32 backend under Wine.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"

echo "== build and test"
"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure -j2)

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

echo "== core library with mingw-w64"
cmake -S "$top" -B "$top/build-mingw" -DORVANE_CORE_ONLY=ON \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" > /dev/null
cmake --build "$top/build-mingw" -j2

echo "== platform conformance of the Win32 backend under Wine"
"$top/scripts/test-windows-conformance.sh" "$top/build-windows-conformance"
echo "== all tests passed"
