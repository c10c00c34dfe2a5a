#!/usr/bin/env bash
# Authenticode signing for tests, with a test root that only one Wine prefix trusts.
#   test_signing.sh ca DIR                   a test root and a code-signing certificate in DIR (kept if there)
#   test_signing.sh sign DIR IN OUT          OUT = IN signed (SHA-256) with DIR's certificate
#   test_signing.sh trust DIR PREFIX ARCH    DIR's root joins the root store of that prefix only
set -euo pipefail
cmd=$1 dir=$2

case "$cmd" in
ca)
  [ -f "$dir/signer.pem" ] && exit 0
  mkdir -p "$dir"
  cd "$dir"
  cat >ext.cnf <<'EOF'
[req]
distinguished_name = dn
[dn]
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
authorityKeyIdentifier = keyid
EOF
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Vorak Test Root $(basename "$dir")" \
    -config ext.cnf -extensions root -keyout root.key -out root.pem 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=Vorak Test Signer" -keyout signer.key -out signer.csr 2>/dev/null
  openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 \
    -extfile ext.cnf -extensions signer -out signer.pem 2>/dev/null
  ;;
sign)
  rm -f "$4"
  osslsigncode sign -h sha256 -certs "$dir/signer.pem" -key "$dir/signer.key" -n "Vorak test" \
    -in "$3" -out "$4" >/dev/null
  ;;
trust)
  prefix=$3 arch=$4
  # crypt32 reads HKLM\...\Root\Certificates\<SHA-1 thumbprint>\Blob: one
  # serialized element, the certificate as property 32 (flag 1, length, DER).
  der=$(openssl x509 -in "$dir/root.pem" -outform DER | od -An -v -tx1 | tr -d ' \n')
  thumb=$(openssl x509 -in "$dir/root.pem" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')
  len=$(printf '%08x' $((${#der} / 2)))
  blob="20000000""01000000""${len:6:2}${len:4:2}${len:2:2}${len:0:2}$der"
  reg="$dir/root.reg"
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\%s]\n' "$thumb"
    printf '"Blob"=hex:%s\n' "$(echo "$blob" | sed 's/../&,/g; s/,$//')"
  } >"$reg"
  root=$(cd "$(dirname "$0")/../.." && pwd)
  VORAK_WINE_SESSION=1 bash "$root/scripts/wine-run.sh" --arch "$arch" --prefix "$prefix" \
    regedit /S "Z:${reg//\//\\}" 2>/dev/null
  ;;
*) echo "usage: test_signing.sh ca|sign|trust DIR ..." >&2; exit 2 ;;
esac
