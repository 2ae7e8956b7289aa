#!/usr/bin/env bash
# Pictures of the settings dialog's five pages into docs/, for the README.
# Runs on the desktop when there is one, else on a virtual display (Xvfb),
# so the pages are drawn with the fonts and style of a Linux desktop.
#   tools/sysreg-screenshots.sh [build folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build}" && pwd)
shots=$build/tests/sysreg/sysreg_screenshots
[ -x "$shots" ] || { echo "sysreg-screenshots: $shots is missing; build the target sysreg_screenshots" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "sysreg-screenshots: no display and no Xvfb (apt-get install xvfb)" >&2; exit 1; }
  Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$work/display.txt" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display.txt" ] && break; sleep 0.1; done
  [ -s "$work/display.txt" ] || { echo "sysreg-screenshots: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(tr -d '[:space:]' <"$work/display.txt")"
  unset WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
fi

# The pictures' own settings stay in the scratch folder.
export XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/xdg TMPDIR=$work
mkdir -p "$root/docs" "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"
"$shots" "$root/docs"
