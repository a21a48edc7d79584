#!/usr/bin/env bash
# Makes the Debian package of the Linux tools from a build folder: scripts/package.sh [FOLDER]
# (default build in the source tree; set-up, configure and build come first). The .deb (with its
# .sha256) is written to FOLDER; tests/package/deb_test.sh unpacks it into a scratch root and runs
# the example there. The Windows zips are made by scripts/build-windows.sh.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
folder="$(realpath -m "${1:-$top/build}")"
# The build's packages, and dpkg-dev, whose dpkg-shlibdeps finds the package's dependencies.
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$folder"
(cd "$folder" && rm -f ./*.deb ./*.deb.sha256 && cpack -G DEB > /dev/null)
ls "$folder"/*.deb
