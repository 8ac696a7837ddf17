#!/usr/bin/env bash
# Installs what Lumora needs, builds Lumora.exe and starts it: under Wine on Linux, on $DISPLAY or, without
# one, on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

export WINEPREFIX="${WINEPREFIX:-$HOME/.local/share/lumora-wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ -z "${DISPLAY:-}" ]; then
  displayFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 3>"$displayFile" &
  for _ in $(seq 50); do [ -s "$displayFile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$displayFile")"
  xsetroot -solid '#3a6ea5' 2>/dev/null || true
  headless=1
fi

if [ ! -d "$WINEPREFIX" ]; then
  echo "Preparing the Wine prefix $WINEPREFIX (once, about 15 s)..."
  wineboot -i >/dev/null 2>&1
  # Without a window manager Wine must place its windows itself.
  [ -n "${headless:-}" ] && wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi

wine build/windows/Lumora.exe >/dev/null 2>&1 &
echo "Lumora is running (Wine prefix $WINEPREFIX, display $DISPLAY). Ctrl+H starts highlighting."
if [ -n "${headless:-}" ]; then
  echo "No display was set: look at it with  DISPLAY=$DISPLAY import -window root lumora.png"
  echo "Stop it with  WINEPREFIX=$WINEPREFIX wineserver -k"
fi
