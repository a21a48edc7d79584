#!/usr/bin/env bash
# Wine prefixes for the Windows tests: a template made once per kind, and cheap fresh copies.
#
#   wine-prefix.sh template DIR KIND    make DIR as a template prefix unless it is already one of
#                                       this Wine: KIND is win64, win32 or win98 (a 32-bit prefix
#                                       where GetVersionEx answers Windows 98)
#   wine-prefix.sh copy TEMPLATE DEST   a fresh prefix in DEST (removed first if it exists)
#   wine-prefix.sh check TEMPLATE DEST  fails when a file DEST shares with TEMPLATE was changed
#   wine-prefix.sh remove DEST          ends the prefix's wineserver and removes DEST
#
# A 64-bit prefix holds about 1.3 GB, nearly all of it the DLLs of windows\system32 and
# windows\syswow64, which no test changes. A copy therefore hard-links the files of the Windows
# folder's subfolders (but its temp folder) and copies everything else: the registry files
# (wineserver rewrites them in place), the Windows folder's own files (win.ini and the other INI
# files), the users' folders, Program Files and ProgramData. A program that wrote into a shared
# file would change the template too: `check` finds such a file (it is newer than the template's
# stamp and has more than one link), and the tests run it after each scenario.
set -euo pipefail
export WINEDEBUG=-all
# The prefixes are made for the user "User" (their folders are named after $USER): every program
# in them runs as that user.
export USER=User

# A template is made again when Wine or the way templates are made changes.
stamp_of() { echo "$(wine --version) $1 home-detached"; }

make_template() {
  local dir="$1" kind="$2" arch
  case "$kind" in
    win64) arch=win64 ;;
    win32 | win98) arch=win32 ;;
    *) echo "wine-prefix.sh: unknown kind $kind" >&2; exit 2 ;;
  esac
  mkdir -p "$(dirname "$dir")"
  # One maker at a time; the others wait and find the template made.
  exec 9> "$dir.lock"
  flock 9
  if [ -f "$dir/.orvane-template" ] && [ "$(cat "$dir/.orvane-template")" = "$(stamp_of "$kind")" ]; then
    return 0
  fi
  rm -rf "$dir"
  # The user's folders are named after $USER when the prefix is made: "User", as on the emulated
  # machine, whoever runs the tests. Its temporary folder is where Windows keeps it
  # (AppData\Local\Temp) rather than Wine's C:\users\User\Temp.
  export WINEPREFIX="$dir"
  USER=User WINEARCH="$arch" WINEDLLOVERRIDES=winemenubuilder.exe=d wineboot -i > /dev/null 2>&1
  mkdir -p "$dir/drive_c/users/User/AppData/Local/Temp"
  for variable in TEMP TMP; do
    wine reg add 'HKCU\Environment' /v "$variable" /t REG_EXPAND_SZ \
      /d '%USERPROFILE%\AppData\Local\Temp' /f > /dev/null 2>&1
  done
  rm -rf "$dir/drive_c/users/User/Temp"
  # Nothing a program does in the prefix may reach the host's home: Wine links the user's
  # Desktop, Documents and the like to $HOME, so they become real folders; and no menu entry or
  # .desktop file is made for a link (winemenubuilder, which also runs during wineboot, is off).
  local folder
  for folder in "$dir/drive_c/users/User"/*; do
    if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
  done
  wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f \
    > /dev/null 2>&1
  if [ "$kind" = win98 ]; then winecfg /v win98 > /dev/null 2>&1; fi
  wineserver -w
  # Nothing in a template may change once copies share its files.
  stamp_of "$kind" > "$dir/.orvane-template"
}

copy_prefix() {
  local template="$1" dest="$2" entry name
  remove_prefix "$dest"
  mkdir -p "$dest/drive_c/windows"
  for entry in "$template"/* "$template"/.update-timestamp "$template"/.orvane-template; do
    name="$(basename "$entry")"
    [ "$name" = drive_c ] || cp -a "$entry" "$dest/"
  done
  for entry in "$template"/drive_c/*; do
    name="$(basename "$entry")"
    [ "$name" = windows ] || cp -a "$entry" "$dest/drive_c/"
  done
  for entry in "$template"/drive_c/windows/*; do
    name="$(basename "$entry")"
    if [ -d "$entry" ] && [ ! -L "$entry" ] && [ "$name" != temp ]; then
      cp -al "$entry" "$dest/drive_c/windows/" 2> /dev/null || cp -a "$entry" "$dest/drive_c/windows/"
    else
      cp -a "$entry" "$dest/drive_c/windows/"
    fi
  done
}

check_prefix() {
  local template="$1" dest="$2" changed
  changed="$(find "$dest/drive_c/windows" -mindepth 2 -type f -links +1 \
               -newer "$template/.orvane-template" -print 2> /dev/null | head -5)"
  if [ -n "$changed" ]; then
    echo "wine-prefix.sh: files shared with the template $template were changed:" >&2
    echo "$changed" >&2
    # The template is no longer what a fresh prefix is: the next run makes it again.
    rm -f "$template/.orvane-template"
    return 1
  fi
}

remove_prefix() {
  local dest="$1"
  if [ -d "$dest" ]; then
    WINEPREFIX="$dest" wineserver -k 2> /dev/null || true
    rm -rf "$dest"
  fi
}

case "${1:-}" in
  template) make_template "$2" "$3" ;;
  copy) copy_prefix "$2" "$3" ;;
  check) check_prefix "$2" "$3" ;;
  remove) remove_prefix "$2" ;;
  *) sed -n '2,9p' "$0" >&2; exit 2 ;;
esac
