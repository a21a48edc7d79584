#!/usr/bin/env bash
# SETUP.EXE's start under Wine and a virtual X server with a window manager, against the NSIS
# peer installer of the same files: the time from starting the program to its first wizard page
# (ours: painted, from the program's own mark, and shown, seen by xdotool; NSIS: shown, seen by
# xdotool), warm (one unmeasured start of each first, one Wine server for the whole run), and
# the working set (resident memory of the process) at ours' final page and at NSIS's first page.
# usage: bench/wine_desktop_bench.sh WINDOWS_BUILD_FOLDER [RUNS]   (goals: ours under 300 ms and
# within 1.5 times NSIS's first page)
set -u
folder=$(realpath "${1:?usage: wine_desktop_bench.sh WINDOWS_BUILD_FOLDER [RUNS]}")
RUNS=${2:-7}
if [ -z "${ORVANE_BENCH_INNER:-}" ]; then
  export ORVANE_BENCH_INNER=1
  exec timeout 900 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
command -v makensis >/dev/null || { echo "makensis not installed (Debian package nsis)"; exit 1; }
cmake --build "$folder/win64" --target orvane-setup-win32 orvane-wine-checker -j2 >/dev/null
work=$(mktemp -d /tmp/wine-desktop-bench-XXXXXX)
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all USER=User
openbox >/dev/null 2>&1 &
wm=$!
trap 'wineserver -k 2>/dev/null; kill $wm 2>/dev/null; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p

cp -r "$ROOT/examples/demo" "$work/dist"
cp "$folder/win64/SETUP.EXE" "$work/dist/SETUP.EXE"
cp "$folder/win64/orvane-wine-checker.exe" "$work/dist/CHECK.EXE"
# The peer: NSIS's classic pages (licence, folder, files) for the demo's files.
cat > "$work/peer.nsi" <<NSI
Unicode true
Name "Orvane Peer"
OutFile "$work/peer-setup.exe"
InstallDir "C:\\Orvane Peer"
RequestExecutionLevel admin
LicenseData "$work/dist/LICENSE.TXT"
Page license
Page directory
Page instfiles
Section
  SetOutPath "\$INSTDIR"
  File "$work/dist/DEMO.EXE" "$work/dist/README.TXT" "$work/dist/MANUAL.TXT.src"
SectionEnd
NSI
makensis -V1 "$work/peer.nsi" >/dev/null || { echo "makensis failed"; exit 1; }

now() { date +%s%3N; }
# Waits (at most 10 s) for a visible window whose name matches; prints the time it was seen.
shown() {
  local i
  for i in $(seq 1 1000); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && { now; return; }
    sleep 0.01
  done
  echo "?"
}
rss() { awk '/VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status" 2>/dev/null || echo "?"; }
# The Wine process of a Windows program, by its name.
pid_of() { pgrep -f "$1" | head -1; }
# Ends a program and waits for it; the Wine server and its services stay up for the next start.
end_program() {
  [ -n "$1" ] && kill "$1" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
  wait "$launcher" 2>/dev/null
}
click() {
  local xy
  xy=$(awk -v n="$1" '($1 == "control" && $2 == n) { print $3 + int($5 / 2), $4 + int($6 / 2); exit }' "$2")
  # shellcheck disable=SC2086
  [ -n "$xy" ] && xdotool mousemove $xy click 1
}

# ours RUN: one start of SETUP.EXE to its final page; prints painted, shown and resident memory.
ours() {
  rm -f "$work/paint" "$work/dump"
  local start painted seen pid deadline last="" state button mem="?"
  start=$(now)
  ORVANE_WIN32_FIRST_PAINT="Z:${work//\//\\}\\paint" ORVANE_WIN32_DUMP="Z:${work//\//\\}\\dump" \
    wine "$work/dist/SETUP.EXE" >/dev/null 2>&1 &
  launcher=$!
  seen=$(shown "Orvane Demo Setup")
  for _ in $(seq 1 200); do [ -s "$work/paint" ] && break; sleep 0.05; done
  painted="?"
  if [ -s "$work/paint" ]; then
    read -r paint created < <(tr -d '\r' <"$work/paint")
    painted=$((paint - start))
    echo "$((paint - created))" >>"$work/own"
  fi
  [ "$seen" != "?" ] && seen=$((seen - start))
  pid=$(pid_of 'SETUP.EXE')
  deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    sleep 0.3
    state=$(cat "$work/dump" 2>/dev/null)
    [ "$state" != "$last" ] && grep -q '^end$' <<<"$state" || continue
    last=$state
    grep -q '^box ' <<<"$state" && { xdotool key Return; continue; }
    button=$(grep '^control frmMain.btnEvent ' <<<"$state")
    [ -n "$button" ] && ! grep -q disabled <<<"$button" || continue
    if grep -q '"Start Install(&S)"' <<<"$button"; then
      sleep 0.5
      mem=$(rss "$pid")
      break
    fi
    click frmMain.btnEvent "$work/dump"
  done
  end_program "$pid"
  echo "$painted $seen $mem"
}
# peer: one start of the NSIS installer to its first page; prints shown and resident memory.
peer() {
  local start seen mem pid
  start=$(now)
  wine "$work/peer-setup.exe" >/dev/null 2>&1 &
  launcher=$!
  seen=$(shown "Orvane Peer Setup")
  [ "$seen" != "?" ] && seen=$((seen - start))
  sleep 0.5
  pid=$(pid_of 'peer-setup.exe')
  mem=$(rss "$pid")
  end_program "$pid"
  echo "$seen $mem"
}

ours >/dev/null
peer >/dev/null
printf "%-4s %-22s %-20s %-22s %s\n" run "ours painted (ms)" "ours shown (ms)" "ours at final (MB)" \
  "NSIS shown (ms) / MB"
: >"$work/rows"
: >"$work/own"
for run in $(seq 1 "$RUNS"); do
  read -r p s m <<<"$(ours)"
  read -r ns nm <<<"$(peer)"
  printf "%-4s %-22s %-20s %-22s %s / %s\n" "$run" "$p" "$s" "$m" "$ns" "$nm"
  echo "$p $s $m $ns $nm" >>"$work/rows"
done
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mp=$(awk '{print $1}' "$work/rows" | median)
ms=$(awk '{print $2}' "$work/rows" | median)
mm=$(awk '{print $3}' "$work/rows" | median)
ns=$(awk '{print $4}' "$work/rows" | median)
nm=$(awk '{print $5}' "$work/rows" | median)
echo "ours from the process's creation to the painted page: median $(median <"$work/own") ms"
echo "median: ours painted $mp ms, shown $ms ms, $mm MB at the final page; NSIS shown $ns ms," \
  "$nm MB at its first page; shown ratio $(echo "$ms $ns" | awk '{printf "%.2f", $1 / $2}')" \
  "(goal: 1.5 or less, ours under 300 ms)"
