#!/usr/bin/env bash
# Writes a tool's manual page from its own --help and --version, so that the two never differ:
# cmake/man-page.sh TOOL NAME SUMMARY SEE_ALSO_FILE OUTPUT.1.gz
# The usage text is kept as the tool prints it (no filling), after the NAME line; SEE_ALSO_FILE
# holds roff text appended as it is.
set -euo pipefail
tool="$1" name="$2" summary="$3" see_also="$4" output="$5"
help="$("$tool" --help)"
version="$("$tool" --version)"
# roff: a backslash is \e, a minus \-, and a line starting with a dot or quote is no request.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }
{
  echo ".TH \"${name^^}\" 1 \"\" \"Orvane Setup ${version##* }\" \"User Commands\""
  echo ".SH NAME"
  echo "$name \\- $summary"
  echo ".SH DESCRIPTION"
  echo ".nf"
  roff <<< "$help"
  echo ".fi"
  cat "$see_also"
} | gzip -9n > "$output.tmp"
mv "$output.tmp" "$output"
