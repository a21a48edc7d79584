#!/usr/bin/env python3
# Writes the benchmark package: DIST/SETUP.INI and COUNT files F00001.DAT.. of random bytes, each
# between 1 KiB and MAX_KIB KiB (one source folder: the format has no sub-folders).
# Usage: make_package.py DIST COUNT [MAX_KIB]   (default 4; 10 makes 10,000 files about 59 MB)
import os, random, sys

dist, count = sys.argv[1], int(sys.argv[2])
top = 1024 * int(sys.argv[3]) if len(sys.argv) > 3 else 4096
os.makedirs(dist, exist_ok=True)
rnd = random.Random(42)
lines = ["[Title]", "Setup=Bench Setup", "UnSetup=Bench UnInstall", "Program=Bench",
         "[Extend]", "SetupSpeed=1", "[CopyFile]"]
for n in range(1, count + 1):
    name = "F%05d.DAT" % n
    with open(os.path.join(dist, name), "wb") as f:
        f.write(rnd.randbytes(rnd.randint(1024, top)))
    lines.append("File%d=(App)\\%s" % (n, name))
with open(os.path.join(dist, "SETUP.INI"), "wb") as f:
    f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
