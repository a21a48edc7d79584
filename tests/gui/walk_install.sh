#!/usr/bin/env bash
# Desktop walk-through under a virtual X server: installs examples/demo with orvane-setup by
# mouse clicks, screenshots every page and checks the gradient, the wizard's place, the final
# page's start button and the installed files; removes it; then installs and removes it once
# more by keyboard alone, checking where the focus is at every step. Every wait is bounded.
# The mouse walk is recorded (/record) and replayed by orvane-run on a fresh machine, which must
# end in the same state.
# usage: walk_install.sh ORVANE_SETUP ORVANE_MACHINE EXAMPLES_DIR OUTPUT_DIR ORVANE_RUN
# (run under xvfb-run, or it starts itself under xvfb-run)
set -u
SETUP=$1 MACHINE_TOOL=$2 EXAMPLES=$3 OUT=$4 RUN_TOOL=$5

if [ -z "${DISPLAY:-}" ] || [ -z "${ORVANE_GUI_TEST_INNER:-}" ]; then
  export ORVANE_GUI_TEST_INNER=1
  # xvfb-run -a takes the first free display from the one given; two walks started together
  # from the same number can both take it, so each starts its search at a random number.
  exec timeout 300 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

rm -rf "$OUT" && mkdir -p "$OUT/shots"
WORK=$OUT/work
mkdir -p "$WORK"
cp -r "$EXAMPLES/demo" "$WORK/dist"
DUMP=$WORK/dump
# shellcheck source=walk_lib.sh
. "$(dirname "$0")/walk_lib.sh"

# start DUMP LOG ARGS...: runs the program in the background (PID) with its window dump in DUMP.
# The X server resets whenever its last client leaves, and a program that connects in that moment
# finds no display; it then exits having done nothing, and is started again. No document viewer
# runs during the test: the demo's readme would otherwise open on the display.
start() {
  local dump=$1 log=$2 try
  shift 2
  rm -f "$dump"
  for try in 1 2 3 4 5; do
    ORVANE_FLTK_DUMP=$dump PATH=/usr/bin:/bin:/usr/sbin:/sbin "$SETUP" "$@" >"$log" 2>&1 &
    PID=$!
    # shellcheck disable=SC2064
    trap "kill $PID 2>/dev/null" EXIT
    while kill -0 $PID 2>/dev/null && [ ! -e "$dump" ]; do sleep 0.1; done
    [ -e "$dump" ] || ! grep -q "cannot open the display" "$log" && return
    echo "start $try: the display was resetting; starting again"
    sleep 0.5
  done
}

start "$DUMP" "$WORK/setup.log" --machine "$WORK/machine" "$WORK/dist" /record="$WORK/recorded.txt"

# The browser picks C:\Program Files, then the field is typed over: the install goes there.
choose_folder() {
  click frmMain.btnRefer
  if wait_for '^browser.item .*"C:\\Program Files"'; then
    shot "browse-for-folder"
    xy=$(awk '$1 == "browser.item" && $6 == "\"C:\\Program" { print $2 + 5, $3 + int($5 / 2); exit }' "$DUMP")
    # shellcheck disable=SC2086
    xdotool mousemove $xy click 1
    sleep 0.3
    click browser.ok
    wait_for '^control frmMain.txtFolder .*"C:\\Program Files\\"$' &&
      pass "the folder browser put C:\\Program Files\\ into the field" ||
      fail "browser result: $(grep frmMain.txtFolder "$DUMP")"
  else
    fail "the folder browser did not show C:\\Program Files"
    click browser.cancel
  fi
  click frmMain.txtFolder
  xdotool key ctrl+a
  xdotool type --delay 20 'C:\Orvane Typed\'
  wait_for '^control frmMain.txtFolder .*"C:\\Orvane Typed\\"$' &&
    pass "typed text reaches the destination field" ||
    fail "typed folder: $(grep frmMain.txtFolder "$DUMP")"
}

declare -A SEEN
last=""
deadline=$((SECONDS + 240))
keyed=0 final_seen=0 final_done=0 box_shot=0 status_shot=0
while kill -0 $PID 2>/dev/null; do
  if [ $SECONDS -gt $deadline ]; then fail "the walk did not finish in time"; break; fi
  sleep 0.3
  [ -f "$DUMP" ] || continue
  state=$(cat "$DUMP")
  [ "$state" != "$last" ] || continue
  last=$state
  grep -q '^end$' <<<"$state" || continue
  if grep -q '^control frmStatus.fraStatus ' <<<"$state" && [ $status_shot -eq 0 ]; then
    sleep 0.1  # the copy is short: catch it while the progress frame shows
    shot "status-copying"; status_shot=1
  fi
  sleep 0.3  # let the window paint what the dump describes
  if grep -q '^box ' <<<"$state"; then
    caption=$(grep '^box ' <<<"$state" | head -1 | cut -d'"' -f2)
    if [ $box_shot -eq 0 ]; then shot "message-box"; box_shot=1; fi
    echo "box: $caption"
    if grep -q '^box.yes ' <<<"$state"; then click box.yes; else click box.ok; fi
    continue
  fi
  start=$(grep '^control frmMain.btnEvent ' <<<"$state")
  [ -n "$start" ] || continue
  grep -q 'disabled' <<<"$start" && continue
  page=$(page_of "$state" "$start")
  shot_new_page "$page" "$start"
  if [ $page = final ]; then
    final_seen=1
    grep -q '"Start Install(&S)"' <<<"$start" && pass "the final page offers Start Install(&S)" ||
      fail "final page start button: $start"
    cp "$DUMP" "$OUT/final-page.dump"
    if [ $final_done -eq 0 ]; then
      final_done=1
      choose_folder
      continue
    fi
  fi
  if [ $page = title ] && [ ! -f "$OUT/title.dump" ]; then cp "$DUMP" "$OUT/title.dump"; fi
  if [ $page = title ] && [ $keyed -eq 0 ]; then
    # Keyboard: Escape does not close the wizard; Enter presses the focused start button.
    keyed=1
    xdotool mousemove 512 300 key Escape
    sleep 0.5
    grep -q '^box ' "$DUMP" && fail "Escape on the title page asked a question" ||
      pass "Escape leaves the title page alone"
    xdotool key Return
    wait_for '^control frmMain.btnEnd .*"Compulsory Exit\|^control frmMain.lblTitleMessage .*Check is now' &&
      pass "Enter pressed the focused Continue button" || fail "Enter did not continue"
    continue
  fi
  if [ $page = licence ]; then
    # The underlined letter works as the button: Alt+A accepts.
    click frmMain.fraReadme
    xdotool key alt+a
    wait_for '^control frmMain.btnEvent [^d]*"Continue' && pass "Alt+A pressed Accept(&A)" ||
      fail "Alt+A did not accept the licence"
    continue
  fi
  click frmMain.btnEvent
done
wait $PID
code=$?
trap - EXIT

[ $code -eq 0 ] && pass "orvane-setup exited 0" ||
  fail "orvane-setup exited $code: $(tail -3 "$WORK/setup.log")"
[ $final_seen -eq 1 ] || fail "the final page never showed"
[ $box_shot -eq 1 ] || fail "no message box was shown"
[ $status_shot -eq 1 ] || fail "the status window's copy progress was never seen"

# The background gradient: blue at the top, black at the bottom.
title=$(ls "$OUT"/shots/*-title.png 2>/dev/null | head -1)
if [ -n "$title" ]; then
  read -r r g b <<<"$(pixel "$title" 4 2)"
  [ "$b" -ge 240 ] && [ "$r" -le 16 ] && [ "$g" -le 16 ] && pass "top of the background is blue" ||
    fail "top pixel is $r $g $b"
  read -r r g b <<<"$(pixel "$title" 4 380)"
  [ "$b" -ge 100 ] && [ "$b" -le 160 ] && pass "the middle is half blue ($b)" || fail "middle pixel is $r $g $b"
  read -r r g b <<<"$(pixel "$title" 4 765)"
  [ "$b" -le 12 ] && [ "$r" -le 12 ] && [ "$g" -le 12 ] && pass "bottom of the background is black" ||
    fail "bottom pixel is $r $g $b"
  # The wizard's face colour at the centre of the screen shows it is drawn there.
  read -r r g b <<<"$(pixel "$title" 512 245)"
  [ "$r" -eq 212 ] && [ "$g" -eq 208 ] && pass "the wizard is drawn at the centre" ||
    fail "centre pixel is $r $g $b"
else
  fail "no title page screenshot"
fi
if [ -f "$OUT/title.dump" ]; then
  read -r x y w h <<<"$(awk '$1 == "form" && $2 == "frmMain" { print $3, $4, $5, $6 }' "$OUT/title.dump")"
  [ "$x" -eq $(((1024 - w) / 2)) ] && [ "$y" -eq $(((768 - h) / 2)) ] &&
    pass "the wizard ($w x $h) sits centred at $x,$y" || fail "wizard at $x,$y size $w x $h"
fi

# The machine holds the installed files.
tree=$("$MACHINE_TOOL" --machine "$WORK/machine" tree 'C:\Orvane Typed' 2>&1)
for f in DEMO.EXE README.TXT MANUAL.TXT; do
  grep -qi "$f" <<<"$tree" && pass "installed $f" || fail "missing $f in: $tree"
done

# The machine's files and registry, to compare a recorded run with its replay. The uninstaller
# copy is the program that installed: orvane-setup in the walk, orvane-run in the replay.
state() {
  "$MACHINE_TOOL" --machine "$1" tree 'C:\' | grep -v 'UNORVANE\.EXE'
  "$MACHINE_TOOL" --machine "$1" reg export
}
# replay ANSWERS ARGS...: orvane-run with the recorded answers on the replay machine.
replay() {
  local answers=$1
  shift
  "$RUN_TOOL" --machine "$WORK/replay" --answers "$answers" --transcript "$answers.transcript" "$@"
  local code=$?
  [ $code -eq 0 ] && pass "the replay of $(basename "$answers") exited 0" ||
    fail "the replay of $(basename "$answers") exited $code: $(tail -3 "$answers.transcript")"
  # Every question of the replay is answered by a recorded line, and every line is used.
  local left
  left=$(grep '(default)\|^unused answers' "$answers.transcript" | head -3)
  [ -z "$left" ] || fail "the replay of $(basename "$answers") took defaults or left lines: $left"
  if diff <(state "$WORK/machine") <(state "$WORK/replay") >"$answers.diff"; then
    pass "the replay of $(basename "$answers") ends in the recorded run's state"
  else
    fail "the replay of $(basename "$answers") differs: $(head -5 "$answers.diff")"
  fi
}
grep -q '^final folder "C:\\\\Orvane Typed\\\\"$' "$WORK/recorded.txt" &&
  grep -q '^browse "C:\\\\Program Files"$' "$WORK/recorded.txt" &&
  pass "the recording holds the browsed and the typed folder" ||
  fail "recorded: $(cat "$WORK/recorded.txt")"
replay "$WORK/recorded.txt" "$WORK/dist"

# Removal through the Add/Remove Programs command: the uninstaller copy is an orvane-setup copy
# and shows its own windows; the shared component's question is answered "No" (keep it). The
# switch reaches the uninstaller copy: the removal is recorded too.
start "$DUMP" "$WORK/uninstall.log" --machine "$WORK/machine" --uninstall "Orvane Demo UnInstall" \
  /record="$WORK/recorded-removal.txt"
answer_removal 120
wait $PID
code=$?
trap - EXIT
[ $code -eq 0 ] && pass "the uninstaller exited 0" ||
  fail "the uninstaller exited $code: $(tail -3 "$WORK/uninstall.log")"
[ $uninstall_page -eq 1 ] || fail "the uninstall screen never showed"
[ $asked -ge 1 ] && pass "the shared-file question was asked and answered with its No button" ||
  fail "the shared-file question never showed"
"$MACHINE_TOOL" --machine "$WORK/machine" tree 'C:\Orvane Typed' >/dev/null 2>&1 &&
  fail "the installation folder is still there" || pass "the installation folder is removed"
"$MACHINE_TOOL" --machine "$WORK/machine" tree 'C:\WINDOWS\system32' 2>&1 | grep -qi DEMOCTL.DLL &&
  pass "the kept shared component stays" || fail "the shared component was deleted despite No"
replay "$WORK/recorded-removal.txt" --uninstall "Orvane Demo UnInstall"

# ---- The same package once more, by keyboard alone ----
# The pointer rests on the background, away from every window, and no button is clicked: keys
# reach the program through its own focus only. Each step waits for the state it needs, checks
# which control holds the focus (the dump's "focus" line) and presses keys.
KWORK=$OUT/keys
mkdir -p "$KWORK"
cp -r "$EXAMPLES/demo" "$KWORK/dist"
KDUMP=$KWORK/dump
# Waits (at most 10 s) until the keyboard walk's dump matches every pattern.
kwait() {
  local p all
  for _ in $(seq 1 50); do
    all=1
    for p in "$@"; do grep -q "$p" "$KDUMP" 2>/dev/null || all=0; done
    [ $all -eq 1 ] && return 0
    sleep 0.2
  done
  return 1
}
# kstep WHAT FOCUS KEYS [PATTERN...]: waits for the patterns with FOCUS holding the focus, then
# presses the keys.
kstep() {
  local what=$1 focus=$2 keys=$3
  shift 3
  if ! kwait "$@" "^focus $focus\$"; then
    fail "keys, $what: wanted the focus on $focus; $(grep -E '^focus|^box |btnEvent' "$KDUMP" |
      tr '\n' ' ')"
    return 1
  fi
  pass "keys, $what: the focus is on $focus"
  sleep 0.2  # let the window paint what the dump describes
  # shellcheck disable=SC2086
  [ -z "$keys" ] || xdotool key --delay 60 $keys
}
# The share (percent) of dark pixels in a band just inside a button's top edge, where the dotted
# focus rectangle runs: SHOT CONTROL.
focus_band() {
  local x y w
  read -r x y w <<<"$(awk -v n="$2" '$1 == "control" && $2 == n { print $3, $4, $5; exit }' \
    "$KDUMP")"
  convert "$1" -crop "$((w - 8))x4+$((x + 4))+$((y + 1))" -colorspace gray -threshold 40% \
    -format "%[fx:int(100 * (1 - mean) + 0.5)]" info:
}
# Answers what the run shows until the program ends: Enter on a message box's focused first
# button, Alt+Y on the relation question; the status window's Abort button holds the focus
# whenever it can be pressed. The shared-file question is answered No: Tab, then Enter.
answer_by_keys() {
  local state last="" deadline=$((SECONDS + 60))
  while kill -0 $PID 2>/dev/null; do
    if [ $SECONDS -gt $deadline ]; then fail "keys: the run did not finish in time"; return; fi
    sleep 0.2
    state=$(cat "$KDUMP" 2>/dev/null)
    [ "$state" != "$last" ] && grep -q '^end$' <<<"$state" || continue
    last=$state
    if grep -q '^box ' <<<"$state"; then
      caption=$(grep '^box ' <<<"$state" | head -1 | cut -d'"' -f2)
      if grep -q '^focus box\.\(yes\|ok\)$' <<<"$state"; then
        sleep 0.2
        if [ "$caption" = "Confirmation with the Relation" ]; then xdotool key alt+y
        else xdotool key Return; fi
        echo "keys: box \"$caption\" answered"
      else
        fail "keys: the box \"$caption\" opened without the focus on its first button"
        xdotool key Return
      fi
      kwait '^end$' && sleep 0.3
    elif grep -q '^control frmCustomDlg.btnNo ' <<<"$state"; then
      kstep "shared-file question" frmCustomDlg.btnYes Tab &&
        kstep "shared-file question after Tab" frmCustomDlg.btnNo Return &&
        shared_by_keys=1 && pass "keys: the shared-file question took Tab and Enter (No)"
      sleep 0.5
    elif grep -q '^control frmStatus.btnAbort [^d]*"' <<<"$state"; then
      grep -q '^focus frmStatus.btnAbort$' <<<"$state" && abort_focused=1 ||
        fail "keys: the status window's Abort button could be pressed without the focus"
    fi
  done
}

xdotool mousemove 2 2
start "$KDUMP" "$KWORK/setup.log" --machine "$KWORK/machine" "$KWORK/dist"
keys_install() {
  kstep "title page" frmMain.btnEvent Return 'lblTitleMessage .*"Welcome' || return
  # The start button was disabled while the checker ran: the focus comes back to it.
  kstep "check complete" frmMain.btnEvent "" 'lblTitleMessage .*Check is now Complete' \
    '^control frmMain.btnEvent [0-9 ]*"Continue' || return
  shot "keys-check-complete"
  local on off
  on=$(focus_band "$OUT/shots/keys-check-complete.png" frmMain.btnEvent)
  off=$(focus_band "$OUT/shots/keys-check-complete.png" frmMain.btnEnd)
  [ "$on" -ge 5 ] && [ "$off" -le 1 ] &&
    pass "the focused Continue button shows its focus rectangle ($on% against $off%)" ||
    fail "no visible focus on Continue: $on% dark against $off% on Exit"
  xdotool key Return
  # Licence: Tab twice reaches the text; Enter there presses the default button, Accept.
  kstep "licence page" frmMain.btnEvent "Tab Tab" '"Accept(&A)"' || return
  kstep "licence text" frmMain.txtReadme Return '"Accept(&A)"' || return
  # The next page puts the focus back on its start button; Alt+C presses it.
  kstep "readme page" frmMain.btnEvent alt+c 'fraReadme .*"About Orvane Demo"' || return
  kstep "select-type page" frmMain.btnEvent Return 'optSelectType1 .* on ' || return
  # Final page: Alt+R opens the browser, Down selects Program Files, Enter presses OK.
  kstep "final page" frmMain.btnEvent alt+r '"Start Install(&S)"' 'txtFolder ' || return
  kstep "folder browser" browser.tree "Down Return" '^browser ' || return
  kstep "browser closed" frmMain.btnRefer shift+Tab 'txtFolder .*"C:\\Program Files\\"$' ||
    return
  kwait '^focus frmMain.txtFolder$' || { fail "keys: Shift+Tab did not reach the field"; return; }
  xdotool type --delay 20 'C:\Orvane Keys\'
  # Tab to DeskTop, space unticks it, and Enter on a check box presses Start Install.
  kstep "typed folder" frmMain.txtFolder "Tab Tab Tab" 'txtFolder .*"C:\\Orvane Keys\\"$' || return
  kstep "desktop box" frmMain.chkSCutDesktop space 'chkSCutDesktop .* on ' || return
  kstep "desktop box unticked" frmMain.chkSCutDesktop Return 'chkSCutDesktop .* off ' || return
  answer_by_keys
}
abort_focused=0 shared_by_keys=0
keys_install
kill $PID 2>/dev/null  # still running only when a step failed
wait $PID
code=$?
trap - EXIT
[ $code -eq 0 ] && pass "keys: orvane-setup exited 0" ||
  fail "keys: orvane-setup exited $code: $(tail -3 "$KWORK/setup.log")"
echo "keys: the status window's Abort button was seen pressable $([ $abort_focused -eq 1 ] &&
  echo "and focused" || echo "never")"
tree=$("$MACHINE_TOOL" --machine "$KWORK/machine" tree 'C:\Orvane Keys' 2>&1)
for f in DEMO.EXE README.TXT MANUAL.TXT; do
  grep -qi "$f" <<<"$tree" && pass "keys: installed $f" || fail "keys: missing $f in: $tree"
done
# Space unticked DeskTop: the start menu shortcut is made, the desktop one is not.
tree=$("$MACHINE_TOOL" --machine "$KWORK/machine" tree 'C:\Users\User' 2>&1)
grep -q 'Orvane Demo.lnk' <<<"$tree" && ! grep -q 'Orvane Demo Readme.lnk' <<<"$tree" &&
  pass "keys: the start menu shortcut is made, the unticked desktop one is not" ||
  fail "keys: shortcuts in: $tree"

# Removal by keyboard: Enter on the uninstall page and on every box, Tab and Enter (No) on the
# shared-file question.
start "$KDUMP" "$KWORK/uninstall.log" --machine "$KWORK/machine" --uninstall \
  "Orvane Demo UnInstall"
kstep "uninstall page" frmMain.btnEvent Return '"Start [^"]*UnInstall(&S)"' && answer_by_keys
kill $PID 2>/dev/null
wait $PID
code=$?
trap - EXIT
[ $code -eq 0 ] && pass "keys: the uninstaller exited 0" ||
  fail "keys: the uninstaller exited $code: $(tail -3 "$KWORK/uninstall.log")"
[ $shared_by_keys -eq 1 ] || fail "keys: the shared-file question was not answered by keys"
"$MACHINE_TOOL" --machine "$KWORK/machine" tree 'C:\Orvane Keys' >/dev/null 2>&1 &&
  fail "keys: the installation folder is still there" ||
  pass "keys: the installation folder is removed"
"$MACHINE_TOOL" --machine "$KWORK/machine" tree 'C:\WINDOWS\system32' 2>&1 |
  grep -qi DEMOCTL.DLL && pass "keys: the shared component kept by No stays" ||
  fail "keys: the shared component was deleted"

echo "screenshots in $OUT/shots"
[ $FAILURES -eq 0 ] || { echo "$FAILURES check(s) failed"; exit 1; }
echo "all checks passed"
