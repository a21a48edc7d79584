#!/usr/bin/env bash
# SETUP.EXE under Wine, a virtual X server and a window manager, walked by input events: installs
# examples/demo by mouse clicks and keys (Enter on the title page, Alt+A on the licence), opens
# the folder browser, types the destination, answers every message box, screenshots every page
# and checks the gradient, the wizard's place, the default button's frame and the installed
# files; then removes the package through its Add/Remove Programs entry's command, answering the
# shared-file question with No, and checks what is left. The mouse walk is recorded (/record) and
# replayed without windows (/answers) on a fresh prefix, which must end in the same state. Every
# wait is bounded.
# usage: walk_setup.sh SETUP_EXE CHECKER_EXE WINE_TEMPLATE EXAMPLES_DIR OUTPUT_DIR
set -u
SETUP=$1 CHECKER=$2 TEMPLATE=$3 EXAMPLES=$4 OUT=$5
here="$(cd "$(dirname "$0")" && pwd)"

if [ -z "${ORVANE_WINGUI_INNER:-}" ]; then
  export ORVANE_WINGUI_INNER=1
  # Each walk starts its search for a free display at a random number (see tests/gui).
  exec timeout 170 xvfb-run -a -n $((100 + RANDOM % 800)) \
    -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

rm -rf "$OUT" && mkdir -p "$OUT/shots"
export WINEPREFIX=$OUT/prefix WINEDEBUG=-all USER=User
REPLAY_PREFIX=$OUT/replay-prefix
cleanup() {
  [ -n "${PID:-}" ] && kill "$PID" 2>/dev/null
  "$here/../windows/wine-prefix.sh" remove "$WINEPREFIX" >/dev/null 2>&1
  "$here/../windows/wine-prefix.sh" remove "$REPLAY_PREFIX" >/dev/null 2>&1
  [ -n "${WM:-}" ] && kill "$WM" 2>/dev/null
}
trap cleanup EXIT
"$here/../windows/wine-prefix.sh" copy "$TEMPLATE" "$WINEPREFIX" || exit 1
# The window manager draws the captions and maximises the background window.
openbox >/dev/null 2>&1 &
WM=$!

DIST=$OUT/dist
cp -r "$EXAMPLES/demo" "$DIST"
cp "$CHECKER" "$DIST/CHECK.EXE"
cp "$SETUP" "$DIST/SETUP.EXE"
DUMP=$OUT/dump
export ORVANE_WIN32_DUMP="Z:${DUMP//\//\\}"
DRIVE_C=$WINEPREFIX/drive_c
# shellcheck source=../gui/walk_lib.sh
. "$here/../gui/walk_lib.sh"
WAIT_STEPS=75

# The folder browser opens and is cancelled with Escape; then the field is typed over.
choose_folder() {
  click frmMain.btnRefer
  if wait_for '^browser.ok '; then
    sleep 0.5
    shot "browse-for-folder"
    xdotool key Escape
    wait_for '^focus frmMain' && pass "the shell's folder browser opened and Escape closed it" ||
      fail "the folder browser did not close on Escape"
  else
    fail "the folder browser did not open"
  fi
  click frmMain.txtFolder
  xdotool key ctrl+a
  xdotool type --delay 30 'C:\Orvane Typed\'
  wait_for '^control frmMain.txtFolder .*"C:\\Orvane Typed\\"$' &&
    pass "typed text reaches the destination field" ||
    fail "typed folder: $(grep frmMain.txtFolder "$DUMP")"
}

start() {
  rm -f "$DUMP"
  wine "$@" >"$OUT/wine.log" 2>&1 &
  PID=$!
}

# A Windows path for a file of the output folder (Wine's Z: drive is the host's root).
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
# What an install changed in a prefix: the files made or written since MARKER with their
# checksums (of a shortcut, the checksum of its texts: it also keeps its target's times), and the
# registry keys the package writes. The prefix's system files are hard links to the template's,
# whose inode times change whenever another copy of the template is made or removed: only files
# of one link count.
view=/reg:32
file -b "$SETUP" | grep -q x86-64 && view=/reg:64
changed_state() {
  local prefix=$1 marker=$2
  (cd "$prefix/drive_c" && find . -type f -links 1 -cnewer "$marker" ! -ipath '*/temp/*' | sort |
    while IFS= read -r f; do
      case "$f" in
        *.lnk) echo "$( (strings -a "$f"; strings -a -el "$f") | md5sum | cut -c1-32)  $f" ;;
        *) md5sum "$f" ;;
      esac
    done)
  WINEPREFIX=$prefix wine reg export 'HKLM\Software' "$OUT/state.reg" $view /y >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 "$OUT/state.reg" | tr -d '\r' |
    awk '/^\[/ { keep = /Orvane|SharedDLLs|DMO/ } keep'
}
touch "$OUT/walk.marker"
start "$DIST/SETUP.EXE" "/record=$(winpath "$OUT/recorded.txt")"
declare -A SEEN
last="" deadline=$((SECONDS + 100))
keyed=0 arrows=0 final_done=0 box_shot=0 status_shot=0
while kill -0 $PID 2>/dev/null; do
  if [ $SECONDS -gt $deadline ]; then fail "the walk did not finish in time"; break; fi
  sleep 0.3
  state=$(cat "$DUMP" 2>/dev/null)
  [ "$state" != "$last" ] && grep -q '^end$' <<<"$state" || continue
  last=$state
  if grep -q '^control frmStatus.fraStatus ' <<<"$state" && [ $status_shot -eq 0 ]; then
    shot "status-copying"; status_shot=1
  fi
  sleep 0.3  # let the windows paint what the dump describes
  if grep -q '^box ' <<<"$state"; then
    [ $box_shot -eq 0 ] && shot "message-box" && box_shot=1
    echo "box: $(grep '^box ' <<<"$state" | head -1 | cut -d'"' -f2)"
    if grep -q '^box.yes ' <<<"$state"; then click box.yes; else click box.ok; fi
    continue
  fi
  start=$(grep '^control frmMain.btnEvent ' <<<"$state")
  [ -n "$start" ] && ! grep -q ' disabled ' <<<"$start" || continue
  page=$(page_of "$state" "$start")
  shot_new_page "$page" "$start"
  if [ $page = title ] && [ $keyed -eq 0 ]; then
    keyed=1
    cp "$DUMP" "$OUT/title.dump"
    # Escape leaves the wizard alone; Enter presses the focused start button.
    xdotool key Escape
    sleep 0.5
    grep -q '^box ' "$DUMP" && fail "Escape on the title page asked a question" ||
      pass "Escape leaves the title page alone"
    grep -q '^focus frmMain.btnEvent$' "$DUMP" && pass "the start button holds the focus" ||
      fail "focus on the title page: $(grep '^focus' "$DUMP")"
    xdotool key Return
    wait_for '^control frmMain.lblTitleMessage .*Check is now' &&
      pass "Enter pressed Continue and the checker ran" || fail "Enter did not continue"
    continue
  fi
  if [ $page = licence ]; then
    xdotool key alt+a
    wait_for '^control frmMain.btnEvent [^d]*"Continue' && pass "Alt+A pressed Accept(&A)" ||
      fail "Alt+A did not accept the licence"
    continue
  fi
  if [ $page = select-type ] && [ $arrows -eq 0 ]; then
    # The arrow keys move the choice within the group of radio buttons, with the focus.
    arrows=1
    click frmMain.optSelectType1
    xdotool key Down
    wait_for '^control frmMain.optSelectType2 .* on ' && pass "Down selected the second type" ||
      fail "Down: $(grep optSelectType "$DUMP" | tr '\n' ' ')"
    xdotool key Up
    wait_for '^control frmMain.optSelectType1 .* on ' && wait_for '^focus frmMain.optSelectType1$' &&
      pass "Up selected the first type again, with the focus" ||
      fail "Up: $(grep -E 'optSelectType|^focus' "$DUMP" | tr '\n' ' ')"
    continue
  fi
  if [ $page = final ] && [ $final_done -eq 0 ]; then
    final_done=1
    grep -q '"Start Install(&S)"' <<<"$start" && pass "the final page offers Start Install(&S)" ||
      fail "final page start button: $start"
    choose_folder
  fi
  click frmMain.btnEvent
done
wait $PID
code=$?
[ $code -eq 0 ] && pass "SETUP.EXE exited 0" || fail "SETUP.EXE exited $code"
[ $final_done -eq 1 ] || fail "the final page never showed"
[ $box_shot -eq 1 ] || fail "no message box was shown"
[ $status_shot -eq 1 ] || fail "the status window's copy progress was never seen"

# The background: blue under the caption, half blue in the middle, black at the bottom.
title=$(ls "$OUT"/shots/*-title.png 2>/dev/null | head -1)
if [ -n "$title" ] && [ -f "$OUT/title.dump" ]; then
  read -r bx by bw bh <<<"$(awk '$1 == "form" && $2 == "frmBack" { print $3, $4, $5, $6 }' "$OUT/title.dump")"
  read -r r g b <<<"$(pixel "$title" 4 $((by + 2)))"
  [ "$b" -ge 240 ] && [ "$r" -le 16 ] && [ "$g" -le 16 ] && pass "top of the background is blue" ||
    fail "top pixel is $r $g $b"
  read -r r g b <<<"$(pixel "$title" 4 $((by + bh / 2)))"
  [ "$b" -ge 100 ] && [ "$b" -le 160 ] && pass "the middle is half blue ($b)" ||
    fail "middle pixel is $r $g $b"
  read -r r g b <<<"$(pixel "$title" 4 $((by + bh - 2)))"
  [ "$b" -le 12 ] && [ "$r" -le 12 ] && [ "$g" -le 12 ] && pass "bottom of the background is black" ||
    fail "bottom pixel is $r $g $b"
  [ "$bw" -eq 1024 ] && [ $((by + bh)) -eq 768 ] && pass "the background fills the screen" ||
    fail "background client area $bw x $bh at y $by"
  # The wizard is centred on the screen, and drawn there.
  read -r x y w h <<<"$(awk '$1 == "form" && $2 == "frmMain" { print $3, $4, $5, $6 }' "$OUT/title.dump")"
  cx=$((x + w / 2)) cy=$((y + h / 2))
  [ $((cx - 512)) -ge -2 ] && [ $((cx - 512)) -le 2 ] && [ $((cy - 384)) -ge -20 ] &&
    [ $((cy - 384)) -le 20 ] && pass "the wizard ($w x $h) is centred at $cx,$cy" ||
    fail "wizard at $x,$y size $w x $h"
  read -r r g b <<<"$(pixel "$title" $((x + 3)) $((y + h - 3)))"
  [ "$r" -ge 180 ] && [ "$r" -eq "$g" ] && pass "the wizard's face is drawn ($r $g $b)" ||
    fail "wizard face pixel is $r $g $b"
  # The default button wears a dark frame; the other button's left edge is its white highlight.
  read -r x y w h <<<"$(awk '$1 == "control" && $2 == "frmMain.btnEvent" { print $3, $4, $5, $6 }' "$OUT/title.dump")"
  read -r r g b <<<"$(pixel "$title" "$x" $((y + h / 2)))"
  read -r x2 y2 w2 h2 <<<"$(awk '$1 == "control" && $2 == "frmMain.btnEnd" { print $3, $4, $5, $6 }' "$OUT/title.dump")"
  read -r r2 g2 b2 <<<"$(pixel "$title" "$x2" $((y2 + h2 / 2)))"
  [ "$r" -le 170 ] && [ "$r2" -ge $((r + 60)) ] &&
    pass "the default button has its dark frame ($r against $r2)" ||
    fail "default frame: start button edge $r $g $b, exit button edge $r2 $g2 $b2"
else
  fail "no title page screenshot"
fi

for f in DEMO.EXE README.TXT DOCS/MANUAL.TXT; do
  [ -f "$DRIVE_C/Orvane Typed/$f" ] && pass "installed $f" || fail "missing $f"
done
changed_state "$WINEPREFIX" "$OUT/walk.marker" >"$OUT/walk.state"
grep -q '^final folder "C:\\\\Orvane Typed\\\\"' "$OUT/recorded.txt" &&
  grep -q '^browse cancel' "$OUT/recorded.txt" &&
  pass "the recording holds the cancelled browser and the typed folder" ||
  fail "recorded: $(cat "$OUT/recorded.txt")"
# A 32-bit program's system folder on 64-bit Windows is SysWOW64.
SYSTEM=$DRIVE_C/windows/system32
if ! file -b "$SETUP" | grep -q x86-64 && [ -d "$DRIVE_C/windows/syswow64" ]; then
  SYSTEM=$DRIVE_C/windows/syswow64
fi
[ -f "$SYSTEM/DEMOCTL.DLL" ] && pass "the shared component is in the system folder" ||
  fail "DEMOCTL.DLL missing in $SYSTEM"

# Removal through the Add/Remove Programs entry's command, run as Windows runs it.
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane Demo UnInstall'
command=$(wine reg query "$entry" /v UninstallString $view 2>&1 | tr -d '\r' | tee "$OUT/entry.txt" |
  sed -n 's/.*REG_SZ *//p')
echo "uninstall command: $command"
program=${command%% \"*} argument=${command#* \"}
argument=${argument%\"}
[ -n "$command" ] && [ "$program" != "$command" ] || fail "no uninstall command: $(cat "$OUT/entry.txt")"
start "$program" "$argument" "/record=$(winpath "$OUT/recorded-removal.txt")"
answer_removal 60
wait $PID
code=$?
PID=""
[ $code -eq 0 ] && pass "the uninstaller exited 0" || fail "the uninstaller exited $code"
[ $uninstall_page -eq 1 ] || fail "the uninstall screen never showed"
[ $asked -ge 1 ] && pass "the shared-file question was answered with its No button" ||
  fail "the shared-file question never showed"
[ -e "$DRIVE_C/Orvane Typed" ] && fail "the installation folder is still there" ||
  pass "the installation folder is removed"
[ -f "$SYSTEM/DEMOCTL.DLL" ] && pass "the kept shared component stays" ||
  fail "the shared component was deleted despite No"
changed_state "$WINEPREFIX" "$OUT/walk.marker" >"$OUT/walk-removed.state"

# ---- The same package once more, by keyboard alone ----
# The pointer rests on the background and nothing is clicked: each step waits for the state it
# needs and for the focus on the control the keys are meant for.
# kstep FOCUS KEYS [PATTERN...]
kstep() {
  local focus=$1 keys=$2 p
  shift 2
  for p in "$@" "^focus $focus\$"; do
    wait_for "$p" || {
      fail "keys: waited for $p: $(grep -E '^focus|^box |btnEvent' "$DUMP" | tr '\n' ' ')"
      return 1
    }
  done
  sleep 0.2
  # shellcheck disable=SC2086
  [ -z "$keys" ] || xdotool key --delay 80 $keys
}
# Enter on every message box (its first button holds the focus); on the shared-file question Tab
# reaches No and Enter presses it. Until the program ends.
answer_by_keys() {
  local state last="" deadline=$((SECONDS + 60))
  while kill -0 "$PID" 2>/dev/null; do
    if [ $SECONDS -gt $deadline ]; then fail "keys: the run did not finish in time"; return; fi
    sleep 0.3
    state=$(cat "$DUMP" 2>/dev/null)
    [ "$state" != "$last" ] && grep -q '^end$' <<<"$state" || continue
    last=$state
    if grep -q '^box ' <<<"$state"; then
      echo "keys: box \"$(grep '^box ' <<<"$state" | head -1 | cut -d'"' -f2)\""
      kstep 'box\.\(yes\|ok\)' Return '^box '
    elif grep -q '^control frmCustomDlg.btnNo ' <<<"$state"; then
      kstep frmCustomDlg.btnYes Tab && kstep frmCustomDlg.btnNo Return && shared_by_keys=1
    fi
  done
}
# The kept shared component goes, with its use count, so that the removal asks about it again.
shared='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
wine reg query "$shared" $view 2>/dev/null | tr -d '\r' | sed -n 's/^ *\(.*DEMOCTL.DLL\) *REG_DWORD.*/\1/ip' |
  while read -r name; do wine reg delete "$shared" /v "$name" /f $view >/dev/null 2>&1; done
rm -f "$SYSTEM/DEMOCTL.DLL"
xdotool mousemove 600 740
start "$DIST/SETUP.EXE"
keys_install() {
  kstep frmMain.btnEvent Return 'lblTitleMessage .*"Welcome' || return
  kstep frmMain.btnEvent Return 'lblTitleMessage .*Check is now Complete' \
    '^control frmMain.btnEvent [0-9 ]*"Continue' || return
  kstep frmMain.btnEvent alt+a '"Accept(&A)"' || return
  kstep frmMain.btnEvent Return '^control frmMain.fraReadme ' || return
  kstep frmMain.btnEvent Return '^control frmMain.fraSelectType ' || return
  kstep frmMain.btnEvent alt+r '"Start Install(&S)"' || return
  kstep 'browser\.\(tree\|ok\)' Escape '^browser ' || return
  kstep frmMain.btnRefer shift+Tab '^focus frmMain.btnRefer$' || return
  kstep frmMain.txtFolder "" || return
  xdotool type --delay 30 'C:\Orvane Keys\'
  kstep frmMain.txtFolder Return 'txtFolder .*"C:\\Orvane Keys\\"$' || return
  answer_by_keys
}
shared_by_keys=0
keys_install
kill "$PID" 2>/dev/null  # still running only when a step failed
wait "$PID"
code=$?
[ $code -eq 0 ] && pass "keys: SETUP.EXE exited 0" || fail "keys: SETUP.EXE exited $code"
[ -f "$DRIVE_C/Orvane Keys/DEMO.EXE" ] && pass "keys: installed into the typed folder" ||
  fail "keys: nothing in C:\\Orvane Keys"
start "$program" "${argument/Orvane Typed/Orvane Keys}"
kstep frmMain.btnEvent Return '"Start [^"]*UnInstall(&S)"' && answer_by_keys
kill "$PID" 2>/dev/null
wait "$PID"
code=$?
PID=""
[ $code -eq 0 ] && pass "keys: the uninstaller exited 0" || fail "keys: the uninstaller exited $code"
[ $shared_by_keys -eq 1 ] && pass "keys: the shared-file question took Tab and Enter (No)" ||
  fail "keys: the shared-file question was not answered by keys"
[ -e "$DRIVE_C/Orvane Keys" ] && fail "keys: the installation folder is still there" ||
  pass "keys: the installation folder is removed"

# ---- The recorded walk, replayed without windows on a fresh prefix ----
# replay NAME STATE PROGRAM [ARGUMENT]: the recording NAME.txt replayed (/answers) in the replay
# prefix, which must then be in the state the walk's prefix was in (STATE).
replay() {
  local name=$1 state=$2 code left
  shift 2
  rm -f "$DUMP"
  WINEPREFIX=$REPLAY_PREFIX timeout 60 wine "$@" "/answers=$(winpath "$OUT/$name.txt")" \
    "/log=$(winpath "$OUT/$name.log")" >"$OUT/$name-wine.log" 2>&1
  code=$?
  [ $code -eq 0 ] && pass "$name: the replay exited 0" ||
    fail "$name: the replay exited $code: $(tail -3 "$OUT/$name.log")"
  [ -e "$DUMP" ] && fail "$name: the replay showed a window" || pass "$name: no window shown"
  left=$(grep '(default)\|^unused answers' "$OUT/$name.log" | head -3)
  [ -z "$left" ] && pass "$name: every question was answered by a recorded line" ||
    fail "$name: the replay took defaults or left lines: $left"
  changed_state "$REPLAY_PREFIX" "$OUT/replay.marker" >"$OUT/$name.state"
  diff "$state" "$OUT/$name.state" >"$OUT/$name.diff" &&
    pass "$name: the replay ends in the walk's state ($(wc -l <"$state") lines)" ||
    fail "$name: the replay differs: $(head -8 "$OUT/$name.diff")"
}
"$here/../windows/wine-prefix.sh" copy "$TEMPLATE" "$REPLAY_PREFIX" || exit 1
touch "$OUT/replay.marker"
replay recorded "$OUT/walk.state" "$DIST/SETUP.EXE"
replay recorded-removal "$OUT/walk-removed.state" "$program" "$argument"

echo "screenshots in $OUT/shots"
[ $FAILURES -eq 0 ] || { echo "$FAILURES check(s) failed"; exit 1; }
echo "all checks passed"
