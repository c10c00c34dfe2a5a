#!/usr/bin/env bash
# Authenticode signing for tests, under a test root that only one Wine prefix trusts.
#   test_signing.sh ca DIR                  a test root and code-signing certificates under it in DIR (kept if
#                                           there): "Vorak Test Signer" (signer), "Evil Corp" (other), and a
#                                           "Vorak Test Signer" of 2010-2011 (expired) with a time-stamping one
#   test_signing.sh sign DIR IN OUT [root] [WHO]  OUT = IN signed (SHA-256) by DIR's signer, or its WHO (expired:
#                                           time-stamped in 2011); "root": carrying the root
#   test_signing.sh crafted DIR             signers under DIR's root, to be refused ("~" in a name: a NUL); kept
#   test_signing.sh trust DIR PREFIX ARCH [OPTION...]  DIR's root joins the root store of that Wine prefix only
#     (made, when missing, by scripts/wine-run.sh with those options)
#   test_signing.sh samples DIR EXE PREFIX ARCH [OPTION...]  into DIR: EXE signed under a root that prefix
#     trusts, under another (root left out, and carried), by another publisher under the trusted root, unsigned,
#     and signed then altered in one byte of code, by the expired signer, by each crafted signer (named so); and
#     signed.sha256, signed.exe's digest
set -euo pipefail
dir=$2
if [ "$1" = ca ] && [ ! -f "$dir/stamps-chain.pem" ]; then
  mkdir -p "$dir" && cd "$dir"
  printf '[req]\ndistinguished_name=dn\n[dn]\n[root]\nbasicConstraints=critical,CA:true\nkeyUsage=critical,keyCertSign\n[signer]\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n[stamps]\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' >ext.cnf
  printf '[ca]\ndefault_ca=own\n[own]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\ndefault_md=sha256\npolicy=any\n[any]\ncommonName=supplied\n' >ca.cnf
  printf 'unique_subject = no\n' >index.txt.attr && : >index.txt && echo 1000 >serial
  # The root's life covers the time stamps of 2011.
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=Vorak Test Root $(basename "$dir")" -config ext.cnf \
    -keyout root.key -out root.csr 2>/dev/null
  openssl ca -batch -config ca.cnf -selfsign -keyfile root.key -in root.csr -out root.pem -notext -extfile ext.cnf \
    -extensions root -startdate 20050101000000Z -enddate 20350101000000Z 2>/dev/null
  for who in "signer:Vorak Test Signer" "other:Evil Corp"; do
    openssl req -newkey rsa:2048 -nodes -subj "/CN=${who#*:}" -config ext.cnf -keyout "${who%%:*}.key" -out signer.csr 2>/dev/null
    openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 \
      -extfile ext.cnf -extensions signer -out "${who%%:*}.pem" 2>/dev/null
  done
  for who in "expired:Vorak Test Signer:signer:20100101000000Z:20120101000000Z" \
             "stamps:Vorak Test Time Stamps:stamps:20050101000000Z:20350101000000Z"; do
    IFS=: read -r name cn extension from to <<<"$who"
    openssl req -newkey rsa:2048 -nodes -subj "/CN=$cn" -keyout "$name.key" -out "$name.csr" 2>/dev/null
    openssl ca -batch -config ca.cnf -cert root.pem -keyfile root.key -in "$name.csr" -out "$name.pem" -notext \
      -extfile ext.cnf -extensions "$extension" -startdate "$from" -enddate "$to" 2>/dev/null
  done
  cat stamps.pem root.pem >stamps-chain.pem
elif [ "$1" = crafted ] && [ ! -f "$dir/no_digital_signature.pem" ]; then
  cd "$dir"
  { cat ext.cnf && printf '[authority]\nbasicConstraints=CA:true\nkeyUsage=digitalSignature,keyCertSign\nextendedKeyUsage=codeSigning\n[no_signature]\nkeyUsage=critical,keyEncipherment\nextendedKeyUsage=codeSigning\n'; } >crafted.cnf
  while IFS='|' read -r name mask extension subject; do  # the string types that names take (0x800 BMP, 4 Teletex)
    openssl req -x509 -newkey rsa:2048 -nodes -subj "$subject" -config <(sed "s/^\[req\]/[req]\nstring_mask=$mask/" \
      crafted.cnf) -extensions "$extension" -CA root.pem -CAkey root.key -days 3650 -keyout "$name.key" -outform DER \
      -out "$name.der" 2>/dev/null
    # The NUL goes in after the signing: signed anew, over the certificate's own part (after its 4-byte header).
    perl -0777 -pi -e 's/\0r\0~/\0r\0\0/; s/r~E/r\0E/' "$name.der"
    perl -0777 -ne 'print substr($_, 4, 4 + unpack("n", substr($_, 6, 2)))' "$name.der" | openssl dgst -sha256 -sign root.key -out "$name.sig"
    { head -c $(($(stat -c%s "$name.der") - 256)) "$name.der" && cat "$name.sig"; } | openssl x509 -inform DER -out "$name.pem"
  done <<'ROWS'
cn_nul_utf8|utf8only|signer|/CN=Vorak Test Signer~Evil Corp
cn_nul_bmp|MASK:0x800|signer|/CN=Vorak Test Signer~Evil Corp
cn_nul_teletex|MASK:0x4|signer|/CN=Vorak Test Signer~Evil Corp
o_nul|utf8only|signer|/CN=Vorak Test Signer/O=Vorak Test Signer~Evil Corp
two_cn_ours_first|utf8only|signer|/CN=Vorak Test Signer/CN=Evil Corp
two_cn_ours_last|utf8only|signer|/CN=Evil Corp/CN=Vorak Test Signer
two_o_ours_first|utf8only|signer|/CN=Vorak Test Signer/O=Vorak Test Signer/O=Evil Corp
two_o_ours_last|utf8only|signer|/CN=Vorak Test Signer/O=Evil Corp/O=Vorak Test Signer
authority|utf8only|authority|/CN=Vorak Test Signer
no_digital_signature|utf8only|no_signature|/CN=Vorak Test Signer
ROWS
elif [ "$1" = sign ]; then
  who=${6:-signer}
  stamp=()
  [ "$who" != expired ] || stamp=(-TSA-certs "$dir/stamps-chain.pem" -TSA-key "$dir/stamps.key" -TSA-time 1306886400)
  rm -f "$4" && osslsigncode sign -h sha256 -certs "$dir/$who.pem" ${5:+-ac "$dir/root.pem"} \
    -key "$dir/$who.key" "${stamp[@]}" -in "$3" -out "$4" >/dev/null
elif [ "$1" = trust ]; then
  # crypt32 reads HKLM\...\Root\Certificates\<SHA-1 thumbprint>\Blob: the certificate as serialized property 32.
  der=$(openssl x509 -in "$dir/root.pem" -outform DER | od -An -v -tx1 | tr -d ' \n') n=$((${#der} / 2))
  blob=$(printf '2000000001000000%02x%02x%02x%02x%s' $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) $((n >> 24)) "$der")
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\%s]\n"Blob"=hex:%s\n' \
    "$(openssl x509 -in "$dir/root.pem" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')" "$(echo "$blob" | sed 's/../&,/g; s/,$//')" >"$dir/root.reg"
  VORAK_WINE_SESSION=1 bash "$(dirname "$0")/../../scripts/wine-run.sh" --arch "$4" --prefix "$3" "${@:5}" regedit /S "Z:${dir//\//\\}\\root.reg" 2>/dev/null
elif [ "$1" = samples ]; then
  sign="bash $0" exe=$3
  $sign ca "$dir/trusted_ca" && $sign ca "$dir/other_ca" && $sign trust "$dir/trusted_ca" "${@:4}"
  $sign sign "$dir/trusted_ca" "$exe" "$dir/signed.exe" && cp "$exe" "$dir/unsigned.exe" && cp "$dir/signed.exe" "$dir/altered.exe"
  $sign sign "$dir/other_ca" "$exe" "$dir/untrusted.exe" && $sign sign "$dir/other_ca" "$exe" "$dir/untrusted_root.exe" root
  $sign sign "$dir/trusted_ca" "$exe" "$dir/other_publisher.exe" "" other
  $sign sign "$dir/trusted_ca" "$exe" "$dir/expired_stamped.exe" "" expired
  $sign crafted "$dir/trusted_ca"
  for who in "$dir"/trusted_ca/*.der; do who=$(basename "$who" .der) && $sign sign "$dir/trusted_ca" "$exe" "$dir/$who.exe" "" "$who"; done
  sha256sum "$dir/signed.exe" | cut -d' ' -f1 | tr -d '\n' >"$dir/signed.sha256"
  printf '\x5a' | dd of="$dir/altered.exe" bs=1 seek=$((0x1010)) conv=notrunc status=none
fi
