#!/usr/bin/env bash
# Signs files in place with Authenticode (osslsigncode) when a certificate is
# given, and does nothing otherwise:
#   SIGN_CERT + SIGN_KEY  a certificate (chain) and its private key, PEM or DER
#   SIGN_PKCS12           or both in one PKCS#12 file
#   SIGN_PASS             the key's password, if it has one
#   SIGN_TIMESTAMP        an RFC 3161 time-stamping server (optional)
# Without a time stamp the signing time is the commit's, as the build's.
# Usage: scripts/sign.sh FILE...
set -euo pipefail
if [ -n "${SIGN_PKCS12:-}" ]; then
  identity=(-pkcs12 "$SIGN_PKCS12")
elif [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ]; then
  identity=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
elif [ -n "${SIGN_CERT:-}${SIGN_KEY:-}" ]; then
  echo "sign.sh: SIGN_CERT and SIGN_KEY go together" >&2
  exit 1
else
  exit 0
fi
[ -z "${SIGN_PASS:-}" ] || identity+=(-pass "$SIGN_PASS")
source=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${SIGN_TIMESTAMP:-}" ]; then
  when=(-ts "$SIGN_TIMESTAMP")
else
  when=(-time "${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}")
fi
for file in "$@"; do
  # A file signed by an earlier run is signed afresh, not signed twice.
  osslsigncode remove-signature -in "$file" -out "$file.unsigned" >/dev/null 2>&1 || cp "$file" "$file.unsigned"
  osslsigncode sign "${identity[@]}" -h sha256 "${when[@]}" -in "$file.unsigned" -out "$file.signed" >/dev/null
  rm -f "$file.unsigned"
  mv "$file.signed" "$file"
  echo "signed $file"
done
