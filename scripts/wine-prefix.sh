#!/usr/bin/env bash
# Prepares the private Wine prefix once: locale, first boot, registry tweaks, persistent server.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$VARNOKE_BUILD"
varnoke_ensure_display
log="$VARNOKE_BUILD/wine-prefix.log"
# Wine's background services keep their stdout open; keep them away from any caller's pipe.
wineserver -p >/dev/null 2>&1 </dev/null || true
if [ ! -f "$WINEPREFIX/.varnoke-ready" ]; then
  wineboot -i >"$log" 2>&1 </dev/null
  reg() { wine reg add "$@" /f >>"$log" 2>&1 </dev/null; }
  # Wine draws frames itself and does not wait for a window manager on hide/destroy.
  reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
  # A crash ends the process with a backtrace instead of a dialog that hangs the test.
  reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  # Chinese UI fonts resolve to an installed CJK font.
  for f in SimSun 宋体 NSimSun 新宋体 "MS Shell Dlg" "MS Shell Dlg 2" Tahoma; do
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /d "WenQuanYi Micro Hei"
  done
  wineserver -w
  wineserver -p >/dev/null 2>&1 </dev/null || true
  touch "$WINEPREFIX/.varnoke-ready"
fi
echo "wine prefix ready: $WINEPREFIX (DISPLAY=$DISPLAY)"
