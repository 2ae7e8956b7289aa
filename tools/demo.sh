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
# Calls wait seven minutes before anybody confirms them, so that the
# display's repeated speech (every minute, of calls silent for five) is heard.
# The wall-screen features are on, as the clinic's shared settings: waiting
# times, a blinking frame after three minutes, and a dimmer, quieter night.
start_simulator "$server" "$demo" --demo --demo-interval 3000 --hold-calls 420 \
  --seed "$here/callserver/seed-example.txt" \
  --setting "TESK;Visibility;2" \
  --setting "TESK;ShowWaitingTime;-1" --setting "TESK;EscalateAfterMinutes;3" \
  --setting "TESK;NightFrom;22.00" --setting "TESK;NightTo;06.00" \
  --setting "TESK;NightBrightness;40" --setting "TESK;NightVolume;30" || exit 1
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

# --- announcements -------------------------------------------------------
# Speech when Qt has a text-to-speech engine here, the balloon always, the
# event sound when the sound theme is installed. Without an audio device the
# engine fails when it first speaks; the start-up question would then cover
# the board, so it is switched off for the demo.
reg() { printf 'Norvalis\\%s\\%s\\%s=%s\n' "$subkey" "$1" "$2" "$3" >>"$XDG_CONFIG_HOME/Norvalis/Registry.ini"; }
tts_plugins=$(ls /usr/lib/*/qt6/plugins/texttospeech/ 2>/dev/null | sed -n 's/^libqtexttospeech_\(.*\)\.so$/\1/p' | tr '\n' ' ')
if [ -n "$tts_plugins" ]; then
  reg Text2Speech UseSAPI5 1
  reg TESK SayBalloonInfo -1
  echo "demo: speech on; text-to-speech engines here: $tts_plugins"
else
  echo "demo: no Qt text-to-speech engine installed; speech stays off"
fi
reg TESK ShowBalloonInfo -1
if [ -d /usr/share/sounds/freedesktop/stereo ]; then
  reg TESK PlayWindowsSound -1
  echo "demo: event sound on (freedesktop sound theme)"
fi
reg TESK RepeatSayInfo -1
reg TESK RepeatSayInfoTimer 1
if [ -z "$(ls /dev/snd/pcm* 2>/dev/null)" ] && ! { command -v pactl >/dev/null && pactl info >/dev/null 2>&1; }; then
  reg Text2Speech ShowErrorMsg2 0
  echo "demo: no audio device here: the engine will report it and speech goes off (see $demo/client.log)"
fi

# A background picture for the board, when ImageMagick can make one.
if command -v convert >/dev/null; then
  convert -size 1280x800 gradient:'#16324f-#2a6f97' "BMP3:$demo/run/TESK_VistorBackground.bmp" 2>/dev/null || true
fi

# --- the client ----------------------------------------------------------
(cd "$demo/run" && QT_MESSAGE_PATTERN='%{category}: %{message}' exec "$client" SERVERNAME=127.0.0.1 "SERVERPORT=$port" AUTOREGISTER=1 NAME=DEMO \
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

# Which engine and voice the client took, as it logs them.
speech_reported=0
report_speech() {
  [ "$speech_reported" = 1 ] && return 0
  [ -n "$tts_plugins" ] || { speech_reported=1; return 0; }
  if grep -qE ' tesk\.speech: (speech ready|no synthesiser could be reached)' "$demo/client.log" 2>/dev/null; then
    grep -E ' tesk\.speech: ' "$demo/client.log" | sed 's/^.* tesk\.speech: /demo: speech: /' | head -n 6
    speech_reported=1
  fi
}

start=$SECONDS
next_shot=$((SECONDS + 3))
while kill -0 "$client_pid" 2>/dev/null; do
  report_speech
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
