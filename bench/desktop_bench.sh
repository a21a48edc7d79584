#!/usr/bin/env bash
# Desktop start-up benchmark under a virtual X server: time from starting orvane-setup to the
# first painted wizard page, and resident memory once the final page is reached.
# usage: bench/desktop_bench.sh [BUILD_DIR] [RUNS]      (goals: 300 ms, 30 MB)
set -u
BUILD=${1:-build-fltk}
RUNS=${2:-3}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SETUP=$(cd "$BUILD" && pwd)/tools/orvane-setup

if [ -z "${ORVANE_BENCH_INNER:-}" ]; then
  export ORVANE_BENCH_INNER=1
  exec timeout 600 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp -r "$ROOT/examples/demo" "$WORK/dist"

click() {
  local xy
  xy=$(awk -v n="$1" '($1 == "control" && $2 == n) { print $3 + int($5 / 2), $4 + int($6 / 2); exit }
                      ($1 == n) { print $2 + int($4 / 2), $3 + int($5 / 2); exit }' "$2")
  # shellcheck disable=SC2086
  [ -n "$xy" ] && xdotool mousemove $xy click 1
}

printf "%-5s %-8s %-18s %s\n" run machine "first page (ms)" "resident at final page (MB)"
for run in $(seq 1 "$RUNS"); do
  for machine in fresh existing; do
    [ $machine = fresh ] && rm -rf "$WORK/machine"
    rm -f "$WORK/paint" "$WORK/dump"
    start=$(date +%s%3N)
    ORVANE_FLTK_FIRST_PAINT=$WORK/paint ORVANE_FLTK_DUMP=$WORK/dump PATH=/usr/bin:/bin \
      "$SETUP" --machine "$WORK/machine" "$WORK/dist" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do [ -s "$WORK/paint" ] && break; sleep 0.1; done
    first="?"
    [ -s "$WORK/paint" ] && first=$(($(cat "$WORK/paint") - start))
    # Walk to the final page (every page's start button), at most 60 s.
    rss="?"
    deadline=$((SECONDS + 60))
    last=""
    while [ $SECONDS -lt $deadline ] && kill -0 $pid 2>/dev/null; do
      sleep 0.3
      state=$(cat "$WORK/dump" 2>/dev/null)
      [ "$state" != "$last" ] || continue
      last=$state
      button=$(grep '^control frmMain.btnEvent ' <<<"$state")
      [ -n "$button" ] && ! grep -q disabled <<<"$button" || continue
      if grep -q '"Start Install(&S)"' <<<"$button"; then
        sleep 0.5
        rss=$(awk '/VmRSS/ { printf "%.1f", $2 / 1024 }' /proc/$pid/status)
        break
      fi
      click frmMain.btnEvent "$WORK/dump"
    done
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    printf "%-5s %-8s %-18s %s\n" "$run" $machine "$first" "$rss"
  done
done
