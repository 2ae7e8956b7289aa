# Shared by demo.sh and soak.sh (sourced): a folder of their own for the
# client's settings, the simulator on a free loopback port, a virtual
# display, and stopping everything they started.

pids=()

# prepare_run_folder DIR: a fresh folder; the client's settings, data and
# temporary files stay inside it, so a real installation is never touched.
prepare_run_folder() {
  rm -rf "$1"
  mkdir -p "$1/config" "$1/xdg" "$1/data" "$1/state" "$1/tmp" "$1/run"
  export XDG_CONFIG_HOME=$1/config XDG_CONFIG_DIRS=$1/xdg XDG_DATA_HOME=$1/data XDG_STATE_HOME=$1/state TMPDIR=$1/tmp
}

# Ends the started processes, the last started first: the client ends like
# at a log-off and stores its position.
stop_all() {
  trap - EXIT INT TERM
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "${pids[i]}" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}

# start_simulator SERVER FOLDER ARGS...: sets `port`; its log is FOLDER/callserver.log.
start_simulator() {
  local server=$1 folder=$2
  shift 2
  "$server" --port 0 --listen 127.0.0.1 "$@" >"$folder/callserver.out" 2>"$folder/callserver.log" &
  pids+=($!)
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^callserver listening on [0-9.]*:\([0-9][0-9]*\)$/\1/p' "$folder/callserver.out")
    [ -n "$port" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "the simulator did not start (see $folder/callserver.log)" >&2; return 1; }
}

# start_virtual_display FOLDER: an Xvfb of 1280x800; exports DISPLAY.
start_virtual_display() {
  command -v Xvfb >/dev/null || { echo "no Xvfb (apt-get install xvfb)" >&2; return 1; }
  Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$1/display.txt" 2>"$1/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$1/display.txt" ] && break; sleep 0.1; done
  [ -s "$1/display.txt" ] || { echo "Xvfb did not start (see $1/xvfb.log)" >&2; return 1; }
  export DISPLAY=":$(tr -d '[:space:]' <"$1/display.txt")" QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
}
