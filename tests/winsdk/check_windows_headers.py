#!/usr/bin/env python3
# The portable core's headers beside the Windows SDK's, with a mingw-w64 compiler: every header of
# platform/ and of the core folders must compile after <windows.h> and before it, and no name they
# declare may be an SDK macro (a method named like one would silently become its A variant).
# Usage: check_windows_headers.py COMPILER SOURCE_DIR
import glob
import os
import re
import subprocess
import sys

SDK_HEADERS = ["windows.h", "shlobj.h", "shellapi.h", "lzexpand.h", "winver.h", "commctrl.h"]
CORE_FOLDERS = ["platform", "support", "install", "uninstall", "windows", "app"]
COMMENT_OR_LITERAL = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'',
                                re.S)
IDENTIFIER = re.compile(r"\b[A-Za-z_][A-Za-z0-9_]*\b")


def run(compiler, top, source, *flags):
    return subprocess.run([compiler, "-std=c++20", "-I", top, *flags, "-x", "c++", "-"],
                          input=source, capture_output=True, text=True)


def main():
    compiler, top = sys.argv[1], os.path.abspath(sys.argv[2])
    headers = sorted(os.path.relpath(h, top) for folder in CORE_FOLDERS
                     for h in glob.glob(os.path.join(top, folder, "*.h")))
    sdk = "".join(f"#include <{h}>\n" for h in SDK_HEADERS)
    core = "".join(f'#include "{h}"\n' for h in headers)
    failed = False

    for name, source in (("SDK first", sdk + core), ("core first", core + sdk)):
        result = run(compiler, top, source, "-fsyntax-only")
        if result.returncode != 0:
            failed = True
            print(f"{len(headers)} core headers with the SDK headers, {name}: does not compile")
            print("\n".join(result.stderr.splitlines()[:40]))

    def macros(source):
        result = run(compiler, top, source, "-dM", "-E")
        result.check_returncode()
        return set(re.findall(r"^#define (\w+)", result.stdout, re.M))

    sdk_macros = macros(sdk + core) - macros(core)
    for header in headers:
        with open(os.path.join(top, header), encoding="latin-1") as f:
            text = f.read()
        code = COMMENT_OR_LITERAL.sub(lambda m: re.sub(r"[^\n]", " ", m.group(0)), text)
        for number, line in enumerate(code.split("\n"), 1):
            for word in sorted(set(IDENTIFIER.findall(line)) & sdk_macros):
                failed = True
                print(f"{header}:{number}: {word} is a macro of the Windows SDK headers")

    if failed:
        return 1
    print(f"{len(headers)} core headers and the SDK headers ({', '.join(SDK_HEADERS)}) compile "
          f"together in both orders with {compiler}, and share no name")
    return 0


if __name__ == "__main__":
    sys.exit(main())
