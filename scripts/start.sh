#!/usr/bin/env bash
# Installs what Lumora needs, builds Lumora.exe and starts it under Wine: on $DISPLAY or, without one, on a
# private Xvfb display. `scripts/start.sh --stop` ends it, and that private display.
#
# Every step says what it is doing; when one fails, the script names it, says what to do and ends whatever this
# run started. Its state (the private display's PID and number, the logs) is kept in $WINEPREFIX/lumora-start.
set -Eeuo pipefail
cd "$(dirname "$0")/.."

export WINEPREFIX="${WINEPREFIX:-$HOME/.local/share/lumora-wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
state="$WINEPREFIX/lumora-start"

step=""        # what is being done now, named when it fails
advice=""      # what to do when it fails
xvfb_pid=""    # an Xvfb this run started: ended again if a later step fails
wine_used=""   # set once this run has started Wine in the prefix: its processes end too if a step fails

begin() { step=$1; advice=$2; }

# Ends whatever this run started; called when a step fails or the run is interrupted.
undo() {
  trap - ERR
  if [ -n "$wine_used" ]; then wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    rm -f "$state/xvfb"
  fi
}
failed() {
  echo >&2
  echo "start.sh: FAILED while $step." >&2
  [ -z "$advice" ] || echo "  $advice" >&2
  undo
  exit 1
}
trap failed ERR
trap 'advice=""; step="$step (interrupted)"; failed' INT TERM

# True while process $1 runs (and is not just waiting to be reaped).
alive() { [ -d "/proc/$1" ] && ! grep -q '^State:.*zombie' "/proc/$1/status" 2>/dev/null; }

# The PID of the Lumora.exe that runs in this prefix, if one does: found by its name, kept by its WINEPREFIX
# (other Wine programs and other prefixes may be running).
lumora_pid() {
  local dir name
  for dir in /proc/[0-9]*; do
    read -r name 2>/dev/null <"$dir/comm" || continue
    if [ "$name" != Lumora.exe ] || ! alive "${dir#/proc/}"; then continue; fi
    if tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "${dir#/proc/}"
      return 0
    fi
  done
  return 1
}

# The private Xvfb an earlier run started and that still runs: sets xvfb_running and xvfb_display.
xvfb_running="" xvfb_display=""
if [ -f "$state/xvfb" ]; then
  read -r pid display <"$state/xvfb" || true
  name=""
  read -r name 2>/dev/null <"/proc/${pid:-0}/comm" || true
  if [ "$name" = Xvfb ] && alive "$pid"; then xvfb_running=$pid xvfb_display=$display; fi
fi

# How to reach Lumora on the private display, where nobody can see it.
how_to_reach() {
  cat <<EOF

Nobody sees this display; look at it and drive it from a shell. Wine takes keys only while one of its windows has
the focus, so the commands that type give one the focus first. Wine's tray window is at the top left of the screen,
Lumora's icon in it at (13, 32).

  export DISPLAY=$1
  import -window root lumora.png     # a screenshot of the whole screen
  # Lumora opens with its instructions in a box; its tray icon comes once that is closed:
  xdotool search --onlyvisible --name '^Lumora Instructions\$' windowfocus --sync key --window 0 Return
  # Ctrl+H starts highlighting, and ends it again:
  xdotool search --onlyvisible --name '^(Wine System Tray|Lumora)\$' windowfocus --sync key --window 0 ctrl+h
  xdotool mousemove 13 32 click --repeat 2 --delay 80 1     # or a double click on the tray icon starts it
  xdotool search --sync --onlyvisible --name '^Lumora\$'    # waits until the overlay is up (a few seconds)
  xdotool mousemove 300 300 mousedown 1 sleep 0.1 mousemove 500 340 sleep 0.1 mousemove 700 360 sleep 0.1 mouseup 1
                                     # a highlighter stroke; xdotool key Escape clears and ends the session
  xdotool mousemove 13 32 click 3    # the tray menu (take a screenshot to see it); its items take clicks only:
  xdotool mousemove 60 43 click 1    #   the first item, Start (or Stop) highlighting; Exit is at 60 150

Stop Lumora and this display with  scripts/start.sh --stop
EOF
}

if [ "${1:-}" = --stop ]; then
  stopped=""
  if [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null; then
    wineserver -w
    echo "Stopped Lumora and the other Wine processes of $WINEPREFIX."
    stopped=1
  fi
  if [ -n "$xvfb_running" ]; then
    kill "$xvfb_running"
    for _ in $(seq 50); do alive "$xvfb_running" || break; sleep 0.1; done
    echo "Stopped the private display $xvfb_display (Xvfb, PID $xvfb_running)."
    stopped=1
  fi
  rm -f "$state/xvfb"
  [ -n "$stopped" ] || echo "Nothing to stop: no Wine server runs in $WINEPREFIX and no private display is recorded."
  exit 0
elif [ $# -gt 0 ]; then
  echo "Usage: scripts/start.sh [--stop]" >&2
  exit 2
fi

begin "installing the Debian packages (scripts/install-deps.sh)" \
  "Read apt-get's messages above; it needs root or sudo. Run scripts/install-deps.sh again once that is fixed."
scripts/install-deps.sh

begin "configuring the build (cmake --preset windows)" \
  "Read CMake's messages above. If an older build is in the way: rm -rf build/windows, then run this again."
cmake --preset windows >/dev/null

begin "building Lumora.exe (cmake --build --preset windows)" "The compiler's messages above say what went wrong."
cmake --build --preset windows --target Lumora

if pid=$(lumora_pid); then
  echo "Lumora is already running (PID $pid, Wine prefix $WINEPREFIX); not starting a second one."
  if [ -z "${DISPLAY:-}" ] && [ -n "$xvfb_running" ]; then how_to_reach "$xvfb_display"; fi
  exit 0
fi

mkdir -p "$state"
headless=""
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  if [ -n "$xvfb_running" ]; then
    export DISPLAY=$xvfb_display
    echo "No display is set: using the private display $DISPLAY (Xvfb, PID $xvfb_running) started earlier."
  else
    begin "starting a private X display (Xvfb)" \
      "See $state/xvfb.log. Or run this with DISPLAY set to a display of yours."
    echo "No display is set: starting a private one (Xvfb, 1280 x 800)..."
    : >"$state/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset </dev/null >"$state/xvfb.log" 2>&1 \
      3>"$state/display" &
    xvfb_pid=$!
    # Xvfb writes the display number it found free once it is ready.
    for _ in $(seq 100); do
      [ -s "$state/display" ] && break
      alive "$xvfb_pid" || break
      sleep 0.1
    done
    [ -s "$state/display" ]
    DISPLAY=":$(head -n1 "$state/display")"
    export DISPLAY
    echo "$xvfb_pid $DISPLAY" >"$state/xvfb"
    xsetroot -solid '#3a6ea5'
  fi
fi

wine_used=1
if [ ! -f "$state/prefix-ready" ]; then
  begin "preparing the Wine prefix $WINEPREFIX (wineboot)" \
    "See $state/wineboot.log, then run this again: the prefix is prepared again until that succeeds."
  echo "Preparing the Wine prefix $WINEPREFIX (once, a few seconds)..."
  wineboot -i </dev/null >"$state/wineboot.log" 2>&1
  touch "$state/prefix-ready"
fi

begin "setting Wine's window handling (wine reg add)" "See $state/reg.log."
# Without a window manager Wine must place and focus its windows itself (Managed=N); on a desktop the window
# manager does (Y, Wine's default).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$([ -n "$headless" ] && echo N || echo Y)" /f \
  </dev/null >"$state/reg.log" 2>&1

begin "starting Lumora.exe" "See $state/lumora.log (Wine's messages; WINEDEBUG=-all hides its debug channels)."
wine build/windows/Lumora.exe </dev/null >"$state/lumora.log" 2>&1 &
pid=$!
# Up means: still running, and a window of its own (the instructions box it opens with) or Wine's tray window is
# shown. On a desktop with a tray of its own the icon goes there, with no window to look for: there a few seconds
# alive are enough.
limit=$([ -n "$headless" ] && echo 300 || echo 50)
shown=""
for _ in $(seq "$limit"); do
  alive "$pid" || break
  if xdotool search --all --onlyvisible --pid "$pid" --name '.*' >/dev/null 2>&1 ||
     xdotool search --onlyvisible --name '^Wine System Tray$' >/dev/null 2>&1; then
    shown=1
    break
  fi
  sleep 0.1
done
if ! alive "$pid"; then
  advice="Lumora.exe ended at start-up. $advice"
  failed
fi
if [ -z "$shown" ] && [ -n "$headless" ]; then
  advice="Lumora.exe runs but showed neither its instructions nor a tray icon in 30 s. $advice"
  failed
fi

trap - ERR INT TERM  # it is up: nothing below may undo that
echo "Lumora is running (PID $pid, Wine prefix $WINEPREFIX, display $DISPLAY)."
if [ -n "$headless" ]; then
  how_to_reach "$DISPLAY"
else
  echo "Double-click its tray icon to start highlighting; Ctrl+H works while a Wine window has the focus."
  echo "Stop it with  scripts/start.sh --stop"
fi
