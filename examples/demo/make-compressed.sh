#!/bin/sh
# Regenerates MANUAL.TX_ (the compressed manual) from MANUAL.TXT.src with the Debian tool
# mscompress. mscompress names its output MANUAL.TXT_ and leaves the header's "missing last
# character" at 0; the Microsoft tool's rename mode records it, so the "T" is written at offset 9.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
cp MANUAL.TXT.src "$tmp/MANUAL.TXT"
mscompress "$tmp/MANUAL.TXT"
printf 'T' | dd of="$tmp/MANUAL.TXT_" bs=1 seek=9 conv=notrunc 2>/dev/null
cp "$tmp/MANUAL.TXT_" MANUAL.TX_
rm -rf "$tmp"
