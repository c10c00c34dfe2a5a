#!/usr/bin/env bash
# Signs FILE in place (Authenticode, SHA-256, with osslsigncode), as the build's last step and the release
# script's: with the key of a PKCS#12 file, or one held by a token or key service behind a PKCS#11 module (through
# OpenSSL's PKCS#11 engine), then adds an RFC 3161 time stamp from the first of the listed servers that answers.
# usage: sign.sh FILE, configured by the environment, with the names of the build's cache variables:
#   VORAK_SIGN_PKCS12                 the PKCS#12 file, or
#   VORAK_SIGN_PKCS11_MODULE          the module's file, with VORAK_SIGN_PKCS11_KEY (a PKCS#11 URI) and
#                                     VORAK_SIGN_PKCS11_CERT (a PKCS#11 URI, or a PEM file of the certificate and chain)
#   VORAK_SIGN_PASSWORD_FILE          the file holding the PKCS#12 password or the token's PIN (read by osslsigncode
#                                     itself: never on a command line nor in any output)
#   VORAK_SIGN_TIMESTAMP_URLS         time-stamping URLs, separated by spaces or semicolons, or "none"
#   VORAK_SIGN_DESCRIPTION, VORAK_SIGN_URL   the name and address an elevation prompt shows
# Exit code 0 when FILE is signed (and time-stamped unless "none"); else 1, one line on standard error saying why,
# and FILE deleted, so that no build goes on with, or later takes as done, a program left unsigned.
set -uo pipefail
file=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "sign: $(basename "$file") is not signed: $1" >&2
  [ ! -s "$work/log" ] || sed 's/^/  osslsigncode: /' "$work/log" | tail -n 4 >&2
  rm -f "$file"
  exit 1
}
pass=${VORAK_SIGN_PASSWORD_FILE:-}
[ -z "$pass" ] || [ -r "$pass" ] || fail "the password file $pass cannot be read"
if [ -n "${VORAK_SIGN_PKCS11_MODULE:-}" ]; then
  cert=(-certs "$VORAK_SIGN_PKCS11_CERT")
  [[ $VORAK_SIGN_PKCS11_CERT != pkcs11:* ]] || cert=(-pkcs11cert "$VORAK_SIGN_PKCS11_CERT")
  key=(-pkcs11module "$VORAK_SIGN_PKCS11_MODULE" "${cert[@]}" -key "$VORAK_SIGN_PKCS11_KEY")
else
  key=(-pkcs12 "$VORAK_SIGN_PKCS12")
fi
osslsigncode sign "${key[@]}" ${pass:+-readpass "$pass"} -h sha256 -n "${VORAK_SIGN_DESCRIPTION:-}" \
  -i "${VORAK_SIGN_URL:-}" -in "$file" -out "$work/signed" >"$work/log" 2>&1 ||
  fail "osslsigncode could not sign it with the key given (wrong PIN or password, or no such key or certificate?)"
urls=${VORAK_SIGN_TIMESTAMP_URLS:-}
if [ "$urls" != none ]; then
  # One server at a time, each given 30 s: a server that accepts the connection but never answers must not
  # hold the build for ever, and osslsigncode sets no limit of its own.
  for url in ${urls//;/ }; do
    timeout 30 osslsigncode add -ts "$url" -h sha256 -in "$work/signed" -out "$work/stamped" >"$work/log" 2>&1 &&
      break
    rm -f "$work/stamped"
  done
  [ -f "$work/stamped" ] ||
    fail "no time-stamping server answered (${urls//;/ }); without a time stamp it would stop counting when its certificate expires"
  mv "$work/stamped" "$work/signed"
fi
mv "$work/signed" "$file"
