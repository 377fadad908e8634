# Sourced by the run and test scripts: a project-local Wine prefix, a persistent wineserver and, when no
# display is set, a private Xvfb. wine_session_end undoes what wine_session_begin started.

wine_prefix_ready() { [ -f "$WINEPREFIX/.brenlow-ready" ]; }

# Creates and boots the prefix once; Wine's crash dialog is turned off so that no test waits on it.
wine_prefix_prepare() {
  wine_prefix_ready && return 0
  echo "wine: preparing the prefix $WINEPREFIX (first time only)"
  mkdir -p "$WINEPREFIX"
  quietly "$BRENLOW_WINE" wineboot -i
  quietly "$BRENLOW_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  wineserver -w
  touch "$WINEPREFIX/.brenlow-ready"
}

BRENLOW_XVFB_PID=
# Xvfb picks a free display itself (-displayfd), so parallel sessions never share one.
start_xvfb() {
  [ -n "${DISPLAY:-}" ] && return 0
  local numfile log
  numfile=$(mktemp)
  log=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >"$log" 2>&1 </dev/null &
  BRENLOW_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$numfile")"
      rm -f "$numfile" "$log"
      return 0
    fi
    kill -0 "$BRENLOW_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$log" >&2
  rm -f "$numfile" "$log"
  echo "wine: Xvfb did not start" >&2
  return 1
}

wine_session_begin() {
  start_xvfb
  wine_prefix_prepare
  # Started and booted before anything runs, with no output to a pipe (the boot's goes to a file), or
  # ctest waits for ever on Wine's service processes holding its pipes.
  (wineserver -p >/dev/null 2>&1 </dev/null &)
  quietly "$BRENLOW_WINE" wineboot
  # Unmanaged top-level windows: without a window manager, hiding a managed window makes Wine wait 2 s
  # for a state change that never comes (every closed dialog would cost that).
  quietly "$BRENLOW_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
}

wine_session_end() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$BRENLOW_XVFB_PID" ]; then
    kill "$BRENLOW_XVFB_PID" 2>/dev/null || true
    wait "$BRENLOW_XVFB_PID" 2>/dev/null || true
    BRENLOW_XVFB_PID=
  fi
}
