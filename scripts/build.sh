#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh FOLDER [cmake options...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
folder="$1"; shift
cmake -S "$top" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > /dev/null
cmake --build "$folder" -j2
