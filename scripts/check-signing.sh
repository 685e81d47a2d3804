#!/usr/bin/env bash
# Signs copies of the shipped programs, libraries and packages as
# make SIGN_CERT=... SIGN_KEY=... does, with a throwaway certificate made
# here, and verifies each signature; with no certificate given, nothing is
# signed. No network: no time-stamping server.
# Usage: scripts/check-signing.sh DIST_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

files=(saver.scr folders.dll x64/folders.dll saver.msi folders.msi x64/folders.msi)
mkdir -p "$work/files/x64"
for name in "${files[@]}"; do
  cp "$dist/$name" "$work/files/$name" || fail "no $dist/$name"
done
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway test signer" \
  -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || fail "openssl made no certificate"

(cd "$work/files" && env -u SIGN_CERT -u SIGN_KEY -u SIGN_PKCS12 "$here/sign.sh" "${files[@]}")
for name in "${files[@]}"; do
  cmp -s "$dist/$name" "$work/files/$name" || fail "$name changed without a certificate"
done

(cd "$work/files" && SIGN_CERT="$work/cert.pem" SIGN_KEY="$work/key.pem" "$here/sign.sh" "${files[@]}") >/dev/null
for name in "${files[@]}"; do
  if result=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/files/$name" 2>&1); then
    echo "$name: $(echo "$result" | grep -m1 'Signer.*Subject\|Subject:' | sed 's/^[[:space:]]*//')"
  else
    fail "$name: $(echo "$result" | tail -3 | tr '\n' ' ')"
  fi
done
[ "$failures" = 0 ]
