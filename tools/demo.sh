#!/usr/bin/env bash
# `make demo`: the call server simulator with demo traffic on a free loopback
# port, and the display client against it. Settings, lock files and logs of
# the demo stay in <build>/demo, so a real installation is never touched.
#
# Without a display the client runs on a virtual one (Xvfb) and a screenshot
# of its window is saved every few seconds; the script says where.
# DEMO_SECONDS=N ends the demo by itself after N seconds; Ctrl-C ends it too.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
client=$build/src/app/TESKVistor
server=$build/tools/callserver/callserver
demo=$build/demo
seconds=${DEMO_SECONDS:-0}
shot=$demo/screenshot.png

for exe in "$client" "$server"; do
  [ -x "$exe" ] || { echo "demo: $exe is missing; build first (make demo builds)" >&2; exit 1; }
done

# A fresh demo each time: settings from the last run would hide the first
# start's behaviour.
. "$here/run-env.sh"
prepare_run_folder "$demo"
trap stop_all EXIT
trap 'echo; echo "demo: stopped"; exit 0' INT TERM

# --- the simulator -------------------------------------------------------
start_simulator "$server" "$demo" --demo --demo-interval 3000 \
  --seed "$here/callserver/seed-example.txt" \
  --setting "TESK;Visibility;2" || exit 1
echo "demo: call server simulator on 127.0.0.1:$port (frames logged to $demo/callserver.log)"

# --- a display -----------------------------------------------------------
headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  headless=1
  start_virtual_display "$demo" || exit 1
  echo "demo: no display here; the client runs on the virtual display $DISPLAY"
  # A window manager draws the caption; windows go where they ask to be.
  if command -v twm >/dev/null; then
    cat >"$demo/twmrc" <<'TWMRC'
RandomPlacement
UsePPosition "on"
NoGrabServer
DecorateTransients
BorderWidth 1
TitleFont "fixed"
ResizeFont "fixed"
MenuFont "fixed"
IconFont "fixed"
IconManagerFont "fixed"
Color
{
  DefaultBackground "#dcdcdc"
  DefaultForeground "black"
  TitleBackground "#2b4a6f"
  TitleForeground "white"
  BorderColor "#2b4a6f"
}
TWMRC
    twm -display "$DISPLAY" -f "$demo/twmrc" >"$demo/twm.log" 2>&1 &
    pids+=($!)
  fi
fi

# A roomier window than the design size: the settings' INI layout names the
# value after the installation's key, which is the start folder.
subkey=$(printf '%s' "$demo/run" | tr ' /' '__' | tr -d ':')
mkdir -p "$XDG_CONFIG_HOME/Norvalis"
cat >"$XDG_CONFIG_HOME/Norvalis/Registry.ini" <<INI
[SOFTWARE]
Norvalis\\$subkey\\TESK_WShowWindowsPos\\FORMWIDTH=1200
Norvalis\\$subkey\\TESK_WShowWindowsPos\\FORMHEIGHT=720
INI

# A background picture for the board, when ImageMagick can make one.
if command -v convert >/dev/null; then
  convert -size 1280x800 gradient:'#16324f-#2a6f97' "BMP3:$demo/run/TESK_VistorBackground.bmp" 2>/dev/null || true
fi

# --- the client ----------------------------------------------------------
(cd "$demo/run" && exec "$client" SERVERNAME=127.0.0.1 "SERVERPORT=$port" AUTOREGISTER=1 NAME=DEMO \
  "PLACE=Demoskärm" CALLLIST=1:0:2:1:3:2:4:3:5:4) >"$demo/client.log" 2>&1 &
client_pid=$!
pids+=("$client_pid")
echo "demo: display client started (pid $client_pid)"

if [ "$headless" = 1 ]; then
  echo "demo: screenshot of the window every 3 seconds: $shot"
fi
[ "$seconds" -gt 0 ] && echo "demo: ends by itself after $seconds seconds" || echo "demo: Ctrl-C ends it"

window_id() {
  xwininfo -root -tree 2>/dev/null | awk '/"TESK Windows Visningsklient/ { print $1; exit }'
}

take_screenshot() {
  command -v import >/dev/null || return 0
  local id
  id=$(window_id)
  [ -n "$id" ] || id=root
  import -frame -window "$id" "$demo/screenshot.tmp.png" 2>/dev/null && mv -f "$demo/screenshot.tmp.png" "$shot"
}

start=$SECONDS
next_shot=$((SECONDS + 3))
while kill -0 "$client_pid" 2>/dev/null; do
  if [ "$seconds" -gt 0 ] && [ $((SECONDS - start)) -ge "$seconds" ]; then
    [ "$headless" = 1 ] && take_screenshot
    break
  fi
  if [ "$headless" = 1 ] && [ "$SECONDS" -ge "$next_shot" ]; then
    take_screenshot
    next_shot=$((SECONDS + 3))
  fi
  sleep 0.5
done

if ! kill -0 "$client_pid" 2>/dev/null; then
  rc=0
  wait "$client_pid" || rc=$?
  echo "demo: the client ended (exit code $rc)"
fi
[ "$headless" = 1 ] && [ -f "$shot" ] && echo "demo: last screenshot: $shot"
exit 0
