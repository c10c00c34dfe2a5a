# Helpers shared by the project's scripts; sourced, not run.

# Answers whether this host can execute 32-bit x86 code: it writes a 93-byte
# 32-bit ELF program that only calls exit(0) and tries to run it.
host_runs_32bit() {
  local probe
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00' >>"$probe"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
  printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
  printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
  chmod +x "$probe"
  local ok=1
  "$probe" 2>/dev/null && ok=0
  rm -f "$probe"
  return $ok
}

# The architecture whose build the tests run: the shipping i686 one where the
# host and its Wine really execute it (a 32-bit stand-in is started as proof,
# as every program is, so that the prefix it makes is set up like any other),
# else the x86_64 twin. VORAK_TEST_ARCH=x86_64 chooses the twin on any host (as
# a host without 32-bit code runs it).
test_arch() {
  local root=$1 probe="$1/build/i686/payload/wayspanner.exe"
  case ${VORAK_TEST_ARCH:-} in
    x86_64) echo x86_64; return ;;
    "") ;;
    *) echo "VORAK_TEST_ARCH: only x86_64 can be chosen, not $VORAK_TEST_ARCH" >&2; return 1 ;;
  esac
  if host_runs_32bit && [ -x /usr/lib/wine/wine ] && [ -f "$probe" ] &&
     timeout 180 bash "$root/scripts/wine-run.sh" --arch i686 --prefix "$root/build/i686/wineprefix" "$probe" \
       </dev/null >/dev/null 2>&1; then
    # The probe's wine session must not outlive it: later programs would share
    # its desktop, made for whatever display the probe had.
    WINEPREFIX="$root/build/i686/wineprefix" timeout 60 wineserver -w || true
    echo i686
  else
    echo x86_64
  fi
}

wine_loader() {
  if [ "$1" = i686 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

# Starts a headless X server on a free display, with a window manager (without
# one, Wine waits 2 s for every window it hides); sets DISPLAY and xvfb_pid.
# The window manager ends with the server.
start_xvfb() {
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  local i
  for i in $(seq 100); do
    [ -s "$numfile" ] && break
    sleep 0.1
  done
  [ -s "$numfile" ] || { echo "Xvfb did not start" >&2; rm -f "$numfile"; return 1; }
  export DISPLAY=":$(head -n1 "$numfile")"
  rm -f "$numfile"
  openbox --sm-disable >/dev/null 2>&1 &
}

# What the README's commands share: set-up and both builds, a display (kept
# until the calling script exits), and the architecture to run. Sets arch.
prepare_wine_run() {
  local root=$1
  bash "$root/scripts/build.sh"
  xvfb_pid=""
  trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
  [ -n "${DISPLAY:-}" ] || start_xvfb
  arch=$(test_arch "$root")
}

# Saves a picture of the program's window (titled "Vorak") as it stands on the
# display, within 10 s of its start: it stands from the extraction until the
# updater has been judged (the stand-in sleeps 3 s). Nothing when it never shows.
shoot_window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --name '^Vorak$' 2>/dev/null | head -n1) || true
    [ -z "$id" ] || break
    sleep 0.1
  done
  [ -n "$id" ] || return 0
  sleep 0.5
  import -window "$id" "$1" 2>/dev/null || true
}

# Fills the array signing with the build's -D options for the VORAK_SIGN_* variables set in the environment
# (scripts/sign.sh says what each means), their files made absolute, for a build in another folder.
signing_options() {
  signing=()
  local name value
  for name in PKCS12 PKCS11_MODULE PKCS11_KEY PKCS11_CERT PASSWORD_FILE TIMESTAMP_URLS DESCRIPTION URL; do
    name=VORAK_SIGN_$name
    [ -n "${!name+set}" ] || continue
    value=${!name}
    [[ $name == *_KEY || $name == *_URL* || $name == *_DESCRIPTION || $value == pkcs11:* || ! -e $value ]] ||
      value=$(realpath "$value")
    signing+=("-D$name=$value")
  done
}
