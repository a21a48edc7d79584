#!/bin/sh
# Install and uninstall speed: a package of N small files (default 10,000, 1-4 KiB each) installed
# with orvane-run on a fresh machine (virtual clock), compared with cp -r of the same files; then the
# uninstall through its Add/Remove Programs entry, compared with rm -r; then log_bench's figures.
# Usage: bench/install_bench.sh BUILD_FOLDER [FILES]   (builds orvane-run and log_bench there)
# Every timed step starts after a sync, so that neither pays for the other's pending writes.
set -eu
build=${1:?usage: install_bench.sh BUILD_FOLDER [FILES]}
count=${2:-10000}
cmake --build "$build" --target orvane-run log_bench -j2 >/dev/null
run="$build/tools/orvane-run"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dist="$work/dist"

python3 "$(dirname "$0")/make_package.py" "$dist" "$count"
printf 'final folder C:\\Bench\\\n' > "$work/answers.txt"

now() { date +%s.%N; }
elapsed() { echo "$1 $2" | awk '{printf "%.3f", $2 - $1}'; }

sync; start=$(now)
"$run" --machine "$work/machine" --answers "$work/answers.txt" --transcript "$work/install.txt" \
  "$dist" || true
end=$(now)
install=$(elapsed "$start" "$end")
tail -n 1 "$work/install.txt" | grep -qx 'exit 0' || { echo "install failed:"; tail "$work/install.txt"; exit 1; }
copied=$(find "$work/machine" -path '*Bench*' -name 'F*.DAT' | wc -l)
[ "$copied" -eq "$count" ] || { echo "only $copied of $count files installed"; exit 1; }

sync; start=$(now)
cp -r "$dist" "$work/cp-copy"
end=$(now)
cp_time=$(elapsed "$start" "$end")

sync; start=$(now)
"$run" --machine "$work/machine" --transcript "$work/uninstall.txt" --uninstall "Bench UnInstall" || true
end=$(now)
uninstall=$(elapsed "$start" "$end")
left=$(find "$work/machine" -path '*Bench*' -name 'F*.DAT' | wc -l)
tail -n 1 "$work/uninstall.txt"

sync; start=$(now)
rm -r "$work/cp-copy"
end=$(now)
rm_time=$(elapsed "$start" "$end")

echo "files: $count ($(du -sk "$dist" | cut -f1) KiB)"
echo "install (orvane-run): $install s, $(echo "$install $count" | awk '{printf "%.1f", $1 * 1e6 / $2}') us per entry"
echo "cp -r:                $cp_time s"
echo "ratio install/cp:     $(echo "$install $cp_time" | awk '{printf "%.1f", $1 / $2}') (goal: 3 or less)"
echo "uninstall (orvane-run): $uninstall s, files left: $left"
echo "rm -r:                  $rm_time s"
echo "ratio uninstall/rm:     $(echo "$uninstall $rm_time" | awk '{printf "%.1f", $1 / $2}')"
echo "uninstall log writer (log_bench):"
"$build/bench/log_bench"
