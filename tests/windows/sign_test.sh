#!/usr/bin/env bash
# Signing: a program signed with a throwaway certificate verifies against that certificate, keeps
# running, and a changed byte or a missing signature fails verification.
# Usage: sign_test.sh PROGRAM.exe TEMPLATE   (the program answers --help; TEMPLATE is the Wine
# template prefix it runs on)
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orvane Setup test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null
cp "$1" "$work/unsigned.exe"
cp "$1" "$work/signed.exe"
ORVANE_SIGN_CERT="$work/cert.pem" ORVANE_SIGN_KEY="$work/key.pem" \
  "$top/scripts/sign-windows.sh" "$work/signed.exe"
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" > "$work/verify.log" 2>&1; }

failed=0
if verify "$work/signed.exe"; then
  echo "ok: the signed program verifies"
else
  echo "FAIL: the signed program does not verify:"; cat "$work/verify.log"; failed=1
fi
if "$top/tests/windows/wine-run.sh" "$2" "$work/signed.exe" --help > /dev/null 2>&1; then
  echo "ok: the signed program runs"
else
  echo "FAIL: the signed program does not run"; failed=1
fi
if verify "$work/unsigned.exe"; then echo "FAIL: an unsigned program verifies"; failed=1; fi
# One byte of the code changed after signing (well inside the file, before the signature).
cp "$work/signed.exe" "$work/tampered.exe"
printf '\x90' | dd of="$work/tampered.exe" bs=1 seek=1200 conv=notrunc 2> /dev/null
if verify "$work/tampered.exe"; then echo "FAIL: a changed program still verifies"; failed=1; fi
exit $failed
