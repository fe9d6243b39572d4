# Sourced by the Wine scripts: a private prefix and a generated zh_CN.UTF-8 locale inside build/,
# so that the ANSI code page is 936 and Chinese file names map to the Linux side.
VARNOKE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VARNOKE_BUILD="${VARNOKE_BUILD:-$VARNOKE_ROOT/build}"
export WINEPREFIX="${VARNOKE_WINEPREFIX:-$VARNOKE_BUILD/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
export LOCPATH="$VARNOKE_BUILD/locale"
if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
  mkdir -p "$LOCPATH"
  localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || true
fi
# (bash itself cannot see LOCPATH until it execs; its warning about that is noise)
{ export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8; } 2>/dev/null

# Windows need an X display; without one a private Xvfb is started once and reused.
varnoke_ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local f="$VARNOKE_BUILD/xvfb.display"
  if [ -f "$f" ]; then
    local n pid
    read -r n pid <"$f"
    if kill -0 "$pid" 2>/dev/null; then export DISPLAY=":$n"; return 0; fi
  fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo "$n $!" >"$f"
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}
