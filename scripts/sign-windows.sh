#!/usr/bin/env bash
# Signs Windows executables with Authenticode through osslsigncode, in place:
#   scripts/sign-windows.sh FILE.exe...
# The certificate comes from the environment: ORVANE_SIGN_PKCS12 (a .pfx/.p12 file holding the
# certificate and its key) or ORVANE_SIGN_CERT and ORVANE_SIGN_KEY (PEM or DER files), with
# ORVANE_SIGN_PASSWORD when the key is protected and ORVANE_SIGN_TIMESTAMP, the URL of an RFC 3161
# time-stamp server, so that the signature outlives the certificate. The hash is SHA-256.
set -euo pipefail
command -v osslsigncode > /dev/null || { echo "osslsigncode not found (scripts/setup.sh installs it)" >&2; exit 1; }
if [ -n "${ORVANE_SIGN_PKCS12:-}" ]; then
  credentials=(-pkcs12 "$ORVANE_SIGN_PKCS12")
elif [ -n "${ORVANE_SIGN_CERT:-}" ] && [ -n "${ORVANE_SIGN_KEY:-}" ]; then
  credentials=(-certs "$ORVANE_SIGN_CERT" -key "$ORVANE_SIGN_KEY")
else
  echo "sign-windows.sh: set ORVANE_SIGN_PKCS12, or ORVANE_SIGN_CERT and ORVANE_SIGN_KEY" >&2
  exit 2
fi
[ -z "${ORVANE_SIGN_PASSWORD:-}" ] || credentials+=(-pass "$ORVANE_SIGN_PASSWORD")
[ -z "${ORVANE_SIGN_TIMESTAMP:-}" ] || credentials+=(-ts "$ORVANE_SIGN_TIMESTAMP")
for file in "$@"; do
  # Written beside the file and moved over it, so that a failed signing leaves the file as it was.
  osslsigncode sign "${credentials[@]}" -h sha256 -n "Orvane Setup" -in "$file" -out "$file.signed" \
    > /dev/null
  mv "$file.signed" "$file"
  echo "signed $file"
done
