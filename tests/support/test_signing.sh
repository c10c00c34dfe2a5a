#!/usr/bin/env bash
# Authenticode signing for tests, under a test root that only one Wine prefix trusts.
#   test_signing.sh ca DIR                  a test root and code-signing certificates under it in DIR (kept if
#                                           there): "Vorak Test Signer" (signer), "Evil Corp" (other), and a
#                                           "Vorak Test Signer" of 2010-2011 (expired) with a time-stamping one
#   test_signing.sh sign DIR IN OUT [root] [WHO] [STAMP]  OUT = IN signed (SHA-256) by DIR's signer, or its WHO
#                                           (expired: time-stamped in 2011 unless STAMP is "none"); "root": carrying the root
#   test_signing.sh crafted DIR             signers under DIR's root, to be refused ("~" in a name: a NUL); kept
#   test_signing.sh trust DIR PREFIX ARCH [OPTION...]  DIR's root joins the root store of that Wine prefix only
#     (made, when missing, by scripts/wine-run.sh with those options)
#   test_signing.sh samples DIR EXE PREFIX ARCH [OPTION...]  into DIR: EXE signed under a root that prefix
#     trusts, under another (root left out, and carried), by another publisher under the trusted root, unsigned,
#     and signed then altered in one byte of code, by the expired signer (and not time-stamped), by each crafted
#     signer (named so); and signed.sha256, signed.exe's digest
#   test_signing.sh release DIR CA ARCH PROGRAM  the release test: scripts/check-reproducible.sh against PROGRAM,
#     the build tree's own, of the work tree as it is (its uncommitted changes too); its second build signed with
#     CA's signer's key in a SoftHSM token, time-stamped on loopback by CA's authority; then the signing cases
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
  [ "$who" != expired ] || [ "${7:-}" = none ] || stamp=(-TSA-certs "$dir/stamps-chain.pem" -TSA-key "$dir/stamps.key" -TSA-time 1306886400)
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
  $sign sign "$dir/trusted_ca" "$exe" "$dir/expired.exe" "" expired none
  $sign crafted "$dir/trusted_ca"
  for who in "$dir"/trusted_ca/*.der; do who=$(basename "$who" .der) && $sign sign "$dir/trusted_ca" "$exe" "$dir/$who.exe" "" "$who"; done
  sha256sum "$dir/signed.exe" | cut -d' ' -f1 | tr -d '\n' >"$dir/signed.sha256"
  printf '\x5a' | dd of="$dir/altered.exe" bs=1 seek=$((0x1010)) conv=notrunc status=none
elif [ "$1" = release ]; then
  ca=$3 module=/usr/lib/softhsm/libsofthsm2.so out=$dir/work/second-folder/out here=$(cd "$(dirname "$0")" && pwd)
  # The work tree as a commit, which is HEAD when nothing is changed: the source of the tree's own build.
  tree=$(git -C "$here" stash create) && tree=${tree:-HEAD}
  rm -rf "$dir/tokens" && mkdir -p "$dir/tokens" && cd "$dir"
  # The PIN in a file of its own, as a publisher keeps it; p11tool reads PINs from its environment.
  export SOFTHSM2_CONF=$dir/softhsm2.conf GNUTLS_SO_PIN=$RANDOM$RANDOM$RANDOM GNUTLS_PIN=$RANDOM$RANDOM$RANDOM
  (umask 077 && printf %s "$GNUTLS_PIN" >pin && printf %s "$RANDOM$RANDOM$RANDOM" >wrong-pin)
  echo "directories.tokendir = $dir/tokens" >"$SOFTHSM2_CONF"
  for args in "--initialize --label vorak pkcs11:model=SoftHSM%20v2" "--initialize-pin pkcs11:token=vorak" \
      "--login --write --label signer --load-privkey $ca/signer.key pkcs11:token=vorak" \
      "--login --write --label signer --load-certificate $ca/signer.pem pkcs11:token=vorak"; do
    p11tool --provider $module $args >/dev/null
  done
  unset GNUTLS_SO_PIN GNUTLS_PIN
  printf '[tsa]\ndefault_tsa=own\n[own]\nserial=%s/tsa.serial\nsigner_cert=%s/stamps.pem\nsigner_key=%s/stamps.key\ncerts=%s/root.pem\nsigner_digest=sha256\ndefault_policy=1.2.3.4\ndigests=sha256\ness_cert_id_alg=sha256\n' \
    "$dir" "$ca" "$ca" "$ca" >tsa.cnf
  export VORAK_SIGN_PKCS11_MODULE=$module VORAK_SIGN_PKCS11_KEY="pkcs11:token=vorak;object=signer;type=private" \
    VORAK_SIGN_PKCS11_CERT="pkcs11:token=vorak;object=signer;type=cert" VORAK_SIGN_PASSWORD_FILE=$dir/pin
  serve() { echo "$1" >answer.txt && python3 "$here/http_server.py" "$dir" 48378 "${@:2}"; }
  # The first authority listed is not there, the next one stamps; the signed program is the unsigned one plus a signature.
  VORAK_SIGN_TIMESTAMP_URLS="http://127.0.0.1:48379/;http://127.0.0.1:48378/" serve "stamp tsa.cnf" \
    bash "$here/../../scripts/check-reproducible.sh" "$4" "$tree" "$dir/work" "$5" >release.log 2>&1 || { cat release.log; exit 1; }
  cp "$out/VorakSetup.exe" . && set +e
  failed=0 verify="osslsigncode verify -CAfile $ca/root.pem -TSA-CAfile $ca/root.pem -in"
  # A command (run with the authority answering as said), whether it fails, and a line of its output, where no PIN
  # is. The build's rows relink and sign in the second build's folder, and then give the signature's report; one
  # that fails leaves no program. Signed under the certificate of 2010-2011, time-stamped in 2011, a program
  # verifies; not time-stamped, it does not, as Windows judges it (CERT_E_EXPIRED): Wine's WinVerifyTrust passes it.
  while IFS='|' read -r answer command fails line; do
    [[ $command != -D* ]] || command="rm -f $out/VorakSetup.exe; cmake $out $command && cmake --build $out --target \
      VorakSetup --verbose && $verify $out/VorakSetup.exe || { [ ! -e $out/VorakSetup.exe ] || echo program left; false; }"
    output=$(serve "$answer" bash -c "$command" 2>&1)
    [ $(($? != 0)) = "$fails" ] && grep -qF -- "$line" <<<"$output" && ! grep -qF -f pin -f wrong-pin -e "program left" <<<"$output" ||
      { printf 'release: %s: not as wanted (%s, "%s"):\n%s\n' "$command" "$fails" "$line" "$output"; failed=1; }
  done <<ROWS
stamp|cat release.log|0|
stamp|$verify VorakSetup.exe|0|Subject: /CN=Vorak Test Signer
stamp|$verify VorakSetup.exe|0|Timestamp time:
stamp|$verify VorakSetup.exe|0|Text description: Vorak Setup
stamp|$verify VorakSetup.exe|0|URL description: https://www.vorak-game.com
stamp|$verify $ca/../expired_stamped.exe|0|Signature verification: ok
stamp|$verify $ca/../expired.exe|1|certificate has expired
silent|-DVORAK_SIGN_TIMESTAMP_URLS=http://127.0.0.1:48378/|1|sign: VorakSetup.exe is not signed: no time-stamping server answered
stamp tsa.cnf|-DVORAK_SIGN_TIMESTAMP_URLS=http://127.0.0.1:48378/ -DVORAK_SIGN_PASSWORD_FILE=$dir/wrong-pin|1|could not sign it with the key given
stamp tsa.cnf|-DVORAK_SIGN_PASSWORD_FILE=$dir/pin -DVORAK_SIGN_TIMESTAMP_URLS=none|0|signed without a time stamp
stamp tsa.cnf|-DVORAK_SIGN_TIMESTAMP_URLS=|1|VORAK_SIGN_TIMESTAMP_URLS is empty
ROWS
  exit $failed
fi
