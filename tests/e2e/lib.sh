# Shared harness for every run of the Windows program under Wine: a private Xvfb
# display, private Wine prefixes copied from a cached template, polling with a
# deadline, and cleanup of only what this run started. Sourced, not executed.
#
#   tw_harness_start      display + run directory; registers cleanup on exit
#   tw_prefix_new [NAME]  fresh prefix copied from the template; exports WINEPREFIX
#   tw_poll SECONDS CMD…  runs CMD every 0.1 s until it succeeds; fails at the deadline
#   tw_wine CMD…          wine with a time limit, quiet
#   tw_shot FILE          screenshot of the whole display
#   tw_block_network      points Wine's HTTP at a dead loopback proxy
#   tw_pgrep PATTERN      ids of this prefix's processes whose command line matches
#   tw_tray_press BUTTON  presses mouse BUTTON on the tray icon the way a user does
#   tw_x_focus_on NAME    the X keyboard focus is on a window titled NAME

TW_ROOT=${TW_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
TW_CACHE=${TW_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tidewell}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export NO_PROXY=127.0.0.1,localhost no_proxy=127.0.0.1,localhost

tw_log() { printf '[harness] %s\n' "$*" >&2; }

tw_poll() {
  local seconds=$1; shift
  local deadline=$(( $(date +%s%N) + seconds * 1000000000 ))
  while :; do
    "$@" >/dev/null 2>&1 && return 0
    [ "$(date +%s%N)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

tw_wine() { timeout --kill-after=5 "${TW_WINE_TIMEOUT:-120}" wine "$@"; }

tw_start_xvfb() {
  local fdfile="$TW_RUN_DIR/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>"$TW_RUN_DIR/xvfb.log" &
  TW_XVFB_PID=$!
  tw_poll 10 test -s "$fdfile" || { tw_log "Xvfb did not start"; return 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  tw_log "Xvfb $DISPLAY (pid $TW_XVFB_PID)"
}

# The template is keyed by the Wine version and our prefix settings, so an upgrade
# or a settings change builds a new one; building takes ~10 s, copying well under 1 s.
tw_prefix_template() {
  local key
  key=$( { wine --version 2>/dev/null; cat "$TW_ROOT/tests/wine/prefix-settings.reg"; } | sha1sum | cut -c1-12)
  local template="$TW_CACHE/wine-template-$key"
  if [ ! -f "$template/.ready" ]; then
    tw_log "building Wine prefix template $template"
    rm -rf "$template" "$template.tmp"
    mkdir -p "$TW_CACHE"
    ( export WINEPREFIX="$template.tmp"
      env -u DISPLAY timeout 180 wineboot -i >/dev/null 2>&1
      timeout 60 wine reg import "$TW_ROOT/tests/wine/prefix-settings.reg" >/dev/null 2>&1
      timeout 60 wineserver -w ) || { tw_log "prefix template failed"; return 1; }
    touch "$template.tmp/.ready"
    mv "$template.tmp" "$template"
  fi
  printf '%s\n' "$template"
}

tw_prefix_new() {
  local name=${1:-prefix} template
  template=$(tw_prefix_template) || return 1
  export WINEPREFIX="$TW_RUN_DIR/$name"
  rm -rf "$WINEPREFIX"
  cp -a "$template" "$WINEPREFIX"
  TW_PREFIXES+=("$WINEPREFIX")
  wineserver -p30 >/dev/null 2>&1 || true
}

tw_shot() { import -window root "$1"; }

# The button ids of the program's boxes as $TW_ID_<name> (TW_ID_CrashRestart, ...),
# from TIDEWELL_BUTTON_IDS in app/win32/form/probe_contract.h through twprobe.
tw_button_ids() {
  local ids
  ids=$(tw_wine "$TW_PROBE" ids | tr -d '\r') && [ -n "$ids" ] && eval "$ids"
}

# Keys typed with xdotool go to the X window that has the keyboard focus.
tw_x_focus_on() { [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$1" ]; }

# The icon sits at the top left of Wine's own tray window. The tray takes the focus
# on a press, which would close a menu opened before it has it: press, wait for the
# focus, release.
tw_tray_press() {
  local tray X Y WIDTH HEIGHT SCREEN
  tw_poll 20 xdotool search --onlyvisible --name '^Wine System Tray$' || { tw_log "no tray window"; return 1; }
  tray=$(xdotool search --onlyvisible --name '^Wine System Tray$' | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  xdotool mousemove $((X + 13)) $((Y + HEIGHT - 14)) mousedown "$1"
  tw_poll 10 tw_x_focus_on 'Wine System Tray' || { xdotool mouseup "$1"; tw_log "the tray did not take the focus"; return 1; }
  xdotool mouseup "$1"
}

# Tests reach nothing but this machine: the program's start-up update check goes to
# WinHTTP's default proxy (Wine takes it from http_proxy), a loopback port where
# nothing listens. A test of the update check itself talks to 127.0.0.1 (NO_PROXY).
tw_block_network() {
  local dead_port
  dead_port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  export http_proxy="http://127.0.0.1:$dead_port" https_proxy="http://127.0.0.1:$dead_port"
}

# Wine processes still carrying one of this run's prefixes.
tw_leftovers() {
  local pid env prefix
  for pid in /proc/[0-9]*; do
    env=$( { tr '\0' '\n' < "$pid/environ"; } 2>/dev/null ) || continue
    for prefix in "${TW_PREFIXES[@]}"; do
      if grep -qx "WINEPREFIX=$prefix" <<<"$env"; then echo "${pid#/proc/}"; fi
    done
  done
}

# Only the current prefix's: a run beside this one (another prefix, another test
# run, the 32-bit program under emulation) has processes of the same names.
tw_pgrep() {
  local pid
  for pid in $(pgrep -f -- "$1"); do
    tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}

tw_stop_prefix() {
  WINEPREFIX=$1 timeout 20 wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$1 timeout 20 wineserver -w >/dev/null 2>&1 || true
}

tw_harness_stop() {
  local prefix left
  for prefix in "${TW_PREFIXES[@]}"; do tw_stop_prefix "$prefix"; done
  left=$(tw_leftovers)
  if [ -n "$left" ]; then
    tw_log "leftover Wine processes: $left"
    kill -9 $left 2>/dev/null || true
    TW_LEFTOVERS=1
  fi
  [ -n "${TW_XVFB_PID:-}" ] && kill "$TW_XVFB_PID" 2>/dev/null
  if [ -z "${TW_KEEP_RUN_DIR:-}" ]; then
    for prefix in "${TW_PREFIXES[@]}"; do rm -rf "$prefix"; done
  fi
  TW_PREFIXES=()
}

tw_harness_start() {
  TW_RUN_DIR=${TW_RUN_DIR:-$(mktemp -d /tmp/tidewell-run.XXXXXX)}
  mkdir -p "$TW_RUN_DIR"
  TW_PREFIXES=()
  TW_LEFTOVERS=0
  trap tw_harness_stop EXIT
  tw_start_xvfb
}
