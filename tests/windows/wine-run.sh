#!/usr/bin/env bash
# Runs a Windows program under Wine on a fresh copy of a template prefix, removed afterwards, and
# exits with the program's status (a changed template file fails the run too).
# Usage: wine-run.sh TEMPLATE PROGRAM [ARGUMENTS...]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
template="$1"; shift
prefix="$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine-XXXXXX")"
trap '"$here/wine-prefix.sh" remove "$prefix"' EXIT
"$here/wine-prefix.sh" copy "$template" "$prefix" || exit 1
USER=User WINEPREFIX="$prefix" WINEDEBUG=-all wine "$@"
status=$?
"$here/wine-prefix.sh" check "$template" "$prefix" || status=1
exit $status
