#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages only.
# Idempotent: when all is there it only checks and returns.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

# softhsm2 and gnutls-bin (p11tool) give the tests a PKCS#11 token to sign releases with, through the PKCS#11
# engine that signing with a publisher's token or key service needs (libengine-pkcs11-openssl).
packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
          x11-utils openbox xdotool imagemagick locales 7zip cmake make googletest dpkg-dev python3 ca-certificates
          openssl osslsigncode patch clang
          softhsm2 libengine-pkcs11-openssl gnutls-bin)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
apt_updated=0
apt_update() { [ $apt_updated = 1 ] || { apt-get update -qq; apt_updated=1; }; }
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The 32-bit Wine is only worth having where the host executes 32-bit code; a
# failure here only means the tests run the x86_64 twin.
if host_runs_32bit && [ ! -x /usr/lib/wine/wine ]; then
  echo "setup: host executes 32-bit code; trying the 32-bit Wine"
  { dpkg --add-architecture i386 && apt-get update -qq && apt_updated=1 &&
    DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; } ||
    echo "setup: no 32-bit Wine; the tests will run the x86_64 build"
fi

# The tests time-stamp signatures with osslsigncode's own time-stamping authority (-TSA-certs, from
# version 2.6); bookworm's own is older, its backports' newer.
signhelp=$(osslsigncode --help 2>&1 || true)
if [[ $signhelp != *-TSA-certs* ]]; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "setup: osslsigncode from $codename-backports (time stamps for the tests)"
  printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" >/etc/apt/sources.list.d/vorak-backports.sources
  apt_updated=0
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -t "$codename-backports" osslsigncode >/dev/null
fi

# Wine takes the user interface language from LANG, and only for a locale that
# exists on the Linux side: generate the ones the message tests run under.
test_locales=("en_US.UTF-8 UTF-8" "fr_FR.UTF-8 UTF-8" "de_DE.UTF-8 UTF-8" "vi_VN UTF-8")
locale_missing=0
for entry in "${test_locales[@]}"; do
  name=${entry%% *}
  locale -a 2>/dev/null | grep -qix "$(echo "$name" | sed 's/UTF-8/utf8/')" && continue
  grep -qx "$entry" /etc/locale.gen || sed -i "s/^# *$entry\$/$entry/" /etc/locale.gen
  grep -qx "$entry" /etc/locale.gen || echo "$entry" >>/etc/locale.gen
  locale_missing=1
done
[ $locale_missing = 0 ] || { echo "setup: generating locales"; locale-gen >/dev/null; }

# LZMA SDK 9.22 C sources, from Debian's lzma source package, into an ignored folder.
lzma_dir="$root/third_party/lzma-9.22"
lzma_stamp=$lzma_dir/.vorak-patches
# A patched tree without its pristine copy cannot be re-patched: fetch it again.
if [ ! -f "$lzma_dir/C/7zDec.c" ] || { [ -f "$lzma_stamp" ] && [ ! -d "$lzma_dir/C.pristine" ]; }; then
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$codename" >/etc/apt/sources.list.d/vorak-deb-src.sources
    apt_updated=0
  fi
  apt_update
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq lzma >/dev/null 2>&1)
  mkdir -p "$root/third_party"
  rm -rf "$lzma_dir"
  mv "$work"/lzma-9.22 "$lzma_dir"
  rm -rf "$work"
fi
# Our own fixes to the SDK (patches/lzma-9.22), applied to a pristine copy of
# its C folder, kept beside it, whenever the patch set differs from the one the
# stamp records: a fresh tree, an unpatched older one, or a changed set.
lzma_patches=("$root"/patches/lzma-9.22/*.patch)
lzma_want=$(cat "${lzma_patches[@]}" | sha256sum | cut -d' ' -f1)
if [ "$(cat "$lzma_stamp" 2>/dev/null)" != "$lzma_want" ]; then
  [ -d "$lzma_dir/C.pristine" ] || cp -a "$lzma_dir/C" "$lzma_dir/C.pristine"
  rm -rf "$lzma_dir/C"
  cp -r "$lzma_dir/C.pristine" "$lzma_dir/C"
  for p in "${lzma_patches[@]}"; do
    patch -s -d "$lzma_dir" -p1 --no-backup-if-mismatch <"$p" || { echo "setup: $p does not apply" >&2; exit 1; }
  done
  echo "$lzma_want" >"$lzma_stamp"
fi
[ -f /usr/src/googletest/googletest/CMakeLists.txt ] || { echo "setup: GoogleTest sources missing" >&2; exit 1; }
