# Shared by the walks through the program's windows (tests/gui/walk_install.sh on FLTK and
# tests/wingui/walk_setup.sh on Win32), which read the same state dump: reporting, screenshots,
# clicks on dumped controls, pixels, waits, and the answers of a removal by mouse.
# The caller sets OUT (the output folder), DUMP (the dump file) and PID (the program's process).
# shellcheck shell=bash
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }

shot() { import -window root "$OUT/shots/$1.png" 2>/dev/null; }
# The screen centre of a dumped control or dialog part: "NAME X Y W H ...".
click() {
  local xy
  xy=$(awk -v n="$1" '($1 == "control" && $2 == n) { print $3 + int($5 / 2), $4 + int($6 / 2); exit }
                      ($1 == n) { print $2 + int($4 / 2), $3 + int($5 / 2); exit }' "$DUMP")
  [ -n "$xy" ] || return 1
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
}
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }

# Waits (at most WAIT_STEPS / 5 seconds, default 10) until the dump has a line matching the
# pattern.
wait_for() {
  for _ in $(seq 1 "${WAIT_STEPS:-50}"); do grep -q "$1" "$DUMP" 2>/dev/null && return 0; sleep 0.2; done
  return 1
}

# The wizard page a dump shows, from its controls and its start button's line (START): title,
# licence, readme, select-type, final or other.
page_of() {
  local state=$1 start=$2
  if grep -q '^control frmMain.fraTitle ' <<<"$state"; then echo title
  elif grep -q '"Accept(&A)"' <<<"$start"; then echo licence
  elif grep -q '^control frmMain.fraReadme ' <<<"$state"; then echo readme
  elif grep -q '^control frmMain.fraSelectType ' <<<"$state"; then echo select-type
  elif grep -q '^control frmMain.grpSetupFolder ' <<<"$state"; then echo final
  else echo other
  fi
}

# Screenshots a page the first time it shows with this start button (NN-PAGE.png, numbered in
# order); SEEN (an associative array of the caller) remembers the pages.
shot_new_page() {
  local page=$1 start=$2 key
  key="$page:$(cut -d'"' -f2 <<<"$start")"
  [ -z "${SEEN[$key]:-}" ] || return 0
  SEEN[$key]=1
  shot "$(printf %02d ${#SEEN[@]})-$page"
  echo "page: $page ($(cut -d'"' -f2 <<<"$start"))"
}

# Walks a removal by mouse until the program ends (at most SECONDS): the uninstall page's start
# button, Yes or OK in every message box, and No on the shared-file question (the first one
# screenshot, as is the uninstall page). Sets `asked` (shared-file questions answered) and
# `uninstall_page` (1 when the uninstall page showed).
answer_removal() {
  local deadline=$((SECONDS + $1)) last="" state
  asked=0 uninstall_page=0
  while kill -0 "$PID" 2>/dev/null; do
    if [ $SECONDS -gt $deadline ]; then fail "the removal did not finish in time"; break; fi
    sleep 0.3
    state=$(cat "$DUMP" 2>/dev/null)
    [ "$state" != "$last" ] && grep -q '^end$' <<<"$state" || continue
    last=$state
    sleep 0.3  # let the windows paint what the dump describes
    if grep -q '^box ' <<<"$state"; then
      echo "box: $(grep '^box ' <<<"$state" | head -1 | cut -d'"' -f2)"
      if grep -q '^box.yes ' <<<"$state"; then click box.yes; else click box.ok; fi
    elif grep -q '^control frmCustomDlg.btnNo ' <<<"$state"; then
      [ $asked -eq 0 ] && shot "shared-file-question"
      asked=$((asked + 1))
      click frmCustomDlg.btnNo
    elif grep -q '^control frmMain.btnEvent [^d]*"Start [^"]*UnInstall(&S)"' <<<"$state"; then
      [ $uninstall_page -eq 0 ] && shot "uninstall-page"
      uninstall_page=1
      click frmMain.btnEvent
    fi
  done
}
