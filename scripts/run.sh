#!/usr/bin/env bash
# Installs what is missing, builds varnel.exe, installs it into its application folder and
# starts it under Wine. The application folder keeps the notes' record files across rebuilds.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$VARNEL_ROOT"

APP_FOLDER=${VARNEL_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/varnel}

varnel_install_packages
varnel_build windows >/dev/null
varnel_locale
varnel_wine_prefix "$VARNEL_CACHE/wine-run"

mkdir -p "$APP_FOLDER"
cp "$VARNEL_ROOT/build/windows/varnel.exe" "$APP_FOLDER/varnel.exe"
varnel_say "application folder: $APP_FOLDER"

if [ -z "${DISPLAY:-}" ]; then
  varnel_start_xvfb 70
  varnel_say "no X display: started Xvfb on $DISPLAY"
  trap 'wineserver -k >/dev/null 2>&1 || true; kill "$VARNEL_XVFB_PID" 2>/dev/null || true' EXIT
  wine "$APP_FOLDER/varnel.exe" &
  sleep 4
  import -display "$DISPLAY" -window root "$APP_FOLDER/screenshot.png"
  varnel_say "screenshot saved to $APP_FOLDER/screenshot.png; Ctrl+C ends Varnel"
  wait
else
  exec wine "$APP_FOLDER/varnel.exe"
fi
