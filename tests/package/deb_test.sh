#!/usr/bin/env bash
# The Debian package, checked as a fresh machine would get it: tests/package/deb_test.sh FILE.deb
# Its control fields and dependencies (every library a program links must come from a package it
# depends on), its files and their modes, then the package unpacked into a scratch root, where the
# installed orvane-run installs the installed example on a fresh machine and removes it again.
set -euo pipefail
deb="$(realpath "$1")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvane-setup ] || fail "package name $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
depends="$(field Depends)"
# The package names of Depends, without versions or alternatives' bars.
depended="$(echo "$depends" | tr ',|' '\n\n' | sed -e 's/(.*)//' -e 's/ //g' | sort -u)"

# apt can install it here, dependencies and all (a dry run).
apt-get install --simulate --no-install-recommends "$deb" > "$scratch/apt.txt" 2>&1 ||
  fail "apt-get cannot install it: $(tail -5 "$scratch/apt.txt")"

# The files: all under /usr, owned by root, programs and the example's checker executable, the
# rest readable by all and writable by root alone; a manual page for every program.
listing="$scratch/listing"
dpkg-deb -c "$deb" > "$listing"
while read -r mode owner _ _ _ path _; do
  [ "$owner" = root/root ] || fail "$path is owned by $owner"
  case "$path" in
    ./ | ./usr/*) ;;
    *) fail "$path lies outside /usr" ;;
  esac
  case "$mode:$path" in
    d*) want=drwxr-xr-x ;;
    *:./usr/bin/* | *:*/examples/demo/CHECK.EXE | *:*/examples/demo/*.sh) want=-rwxr-xr-x ;;
    *) want=-rw-r--r-- ;;
  esac
  [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
done < "$listing"
for file in usr/bin/orvane-run usr/bin/orvane-machine usr/bin/orvane-pack \
            usr/share/doc/orvane-setup/README.md usr/share/orvane/examples/demo/SETUP.INI; do
  grep -q " \./$file\$" "$listing" || fail "$file is not in the package"
done

dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root/usr"
for program in "$root"/bin/*; do
  name="$(basename "$program")"
  page="$root/share/man/man1/$name.1.gz"
  if [ -f "$page" ]; then
    zcat "$page" | grep -qx "\.TH \"${name^^}\" 1 .*" || fail "$page is not $name's manual page"
  else
    fail "no manual page for $name"
  fi
  version="$("$program" --version)"
  [ "$version" = "$name (Orvane Setup) $(field Version)" ] || fail "$name --version: $version"
  # Each library the program links directly, and the package it comes from.
  while read -r library path; do
    owner="$(dpkg -S "$path" 2> /dev/null || dpkg -S "$(realpath "$path")" 2> /dev/null ||
             dpkg -S "/usr$path" 2> /dev/null || true)"
    owner="${owner%%:*}"
    if [ -z "$owner" ]; then
      fail "$name links $library ($path), which no package holds"
    elif ! grep -qx "$owner" <<< "$depended"; then
      fail "$name links $library from $owner, which Depends ($depends) does not name"
    fi
  done < <(objdump -p "$program" | awk '/NEEDED/ { print $2 }' | while read -r library; do
             ldd "$program" | awk -v l="$library" '$1 == l { print l, $3 }'
           done)
done

# The example, from the installed files only, on a fresh machine: installed, then removed through
# its Add/Remove Programs entry.
cp -r "$root/share/orvane/examples/demo" "$scratch/dist"
machine="$scratch/machine"
status=0
"$root/bin/orvane-run" --machine "$machine" --answers "$scratch/dist/answers.txt" \
  --transcript "$scratch/install.txt" "$scratch/dist" || status=$?
[ "$status" = 0 ] || fail "the install exited with $status: $(tail -3 "$scratch/install.txt")"
demo="$("$root/bin/orvane-machine" --machine "$machine" path 'C:\Program Files\Orvane Demo\DEMO.EXE')"
[ -f "$demo" ] || fail "DEMO.EXE was not installed"
programs="$("$root/bin/orvane-machine" --machine "$machine" programs)"
grep -q "^Orvane Demo UnInstall" <<< "$programs" || fail "no Add/Remove Programs entry: $programs"
status=0
"$root/bin/orvane-run" --machine "$machine" --answers "$scratch/dist/uninstall-answers.txt" \
  --transcript "$scratch/uninstall.txt" --uninstall "Orvane Demo UnInstall" || status=$?
[ "$status" = 0 ] || fail "the uninstall exited with $status: $(tail -3 "$scratch/uninstall.txt")"
[ -z "$("$root/bin/orvane-machine" --machine "$machine" programs)" ] ||
  fail "the Add/Remove Programs entry is still there"

if [ "$failures" -ne 0 ]; then
  echo "deb_test: $failures failures in $deb" >&2
  exit 1
fi
echo "deb_test: $(basename "$deb") ($(stat -c %s "$deb") bytes) installs and runs the example"
