#!/usr/bin/env bash
# `make soak`: the real display client on a virtual display against the
# simulator in soak mode (a changing call list every 100 ms; drops, some in
# the middle of a long message; refused connections; junk between frames)
# for SOAK_SECONDS. Prints lists sent and painted, drops and reconnects with
# their delays, and the client's memory after one minute and at the end.
# Exits 1 when the client died, a reconnect came late, or memory grew by
# 5 MiB or more from minute 1 to the end (a run shorter than a minute says
# that it cannot tell). Everything stays in <build>/soak.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
client=$build/src/app/TESKVistor
server=$build/tools/callserver/callserver
soak=$build/soak
seconds=${SOAK_SECONDS:-120}

for exe in "$client" "$server"; do
  [ -x "$exe" ] || { echo "soak: $exe is missing; build first" >&2; exit 1; }
done

. "$here/run-env.sh"
prepare_run_folder "$soak"
trap stop_all EXIT
trap 'echo; echo "soak: stopped"; exit 1' INT TERM

start_simulator "$server" "$soak" --demo --soak --demo-interval 100 --seed-random "${SOAK_SEED:-4711}" \
  --seed "$here/callserver/seed-example.txt" --setting "TESK;Visibility;2" || exit 1
start_virtual_display "$soak" || exit 1

(cd "$soak/run" && QT_LOGGING_RULES="tesk.board.debug=true" exec "$client" SERVERNAME=127.0.0.1 "SERVERPORT=$port" \
  AUTOREGISTER=1 NAME=SOAK "PLACE=Soak" CALLLIST=1:0:2:1:3:2:4:3:5:4) >"$soak/client.log" 2>&1 &
client_pid=$!
pids+=("$client_pid")
echo "soak: client pid $client_pid against 127.0.0.1:$port for $seconds s (logs in $soak)"

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$client_pid/status" 2>/dev/null || echo 0; }
start=$SECONDS
rss_minute=
rss_series=
alive=1
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  if ! kill -0 "$client_pid" 2>/dev/null; then alive=0; break; fi
  if [ -z "$rss_minute" ] && [ $((SECONDS - start)) -ge 60 ]; then rss_minute=$(rss); fi
  # Memory every 30 s: a leak keeps climbing, filling caches level off.
  [ $(((SECONDS - start) % 30)) -eq 0 ] && rss_series="$rss_series $(rss)"
  sleep 1
done
rss_end=$(rss)
# A run that ended before minute 1 has no growth to measure.
[ -n "$rss_minute" ] || rss_minute=-1
ended=$(date +%s.%N)
stop_all

python3 - "$soak" "$alive" "$rss_minute" "$rss_end" "$ended" "$rss_series" <<'PY'
import re, sys
from datetime import datetime
folder, alive, rss_minute, rss_end = sys.argv[1], sys.argv[2] == "1", int(sys.argv[3]), int(sys.argv[4])
ended = float(sys.argv[5])  # what the shutdown itself logs does not count
series = [int(x) for x in sys.argv[6].split()] if len(sys.argv) > 6 else []
# "<date> <time> <level> <category>: <text>", as the display logs too.
stamp = re.compile(r"^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) \w+ [\w.]+: (.*)$")
events = []
for line in open(f"{folder}/callserver.log", encoding="utf-8", errors="replace"):
    m = stamp.match(line.rstrip("\n"))
    if m:
        events.append((datetime.strptime(m.group(1), "%Y-%m-%d %H:%M:%S.%f").timestamp(), m.group(2)))
sent = 0
refusals = []
closed, connects, displays = [], [], set()
for t, text in events:
    if t > ended:
        break
    if m := re.match(r"soak: listor skickade (\d+)", text):
        sent = int(m.group(1))
    elif m := re.match(r"soak: vägrar anslutningar i (\d+) ms", text):
        refusals.append((t, t + int(m.group(1)) / 1000))
    elif m := re.match(r"(\S+) <- \xa4(GETCALLLIST|RECONNECT):", text):
        # Only the display's own connection counts: the update check opens
        # and closes a second one of its own.
        displays.add(m.group(1))
    elif text.endswith(" frånkopplad"):
        closed.append((t, text.split()[0]))
    elif text.endswith(" ansluten"):
        connects.append((t, text.split()[0]))
drops = [t for t, peer in closed if peer in displays]
connects = [t for t, peer in connects if peer in displays]
painted = 0
for line in open(f"{folder}/client.log", encoding="utf-8", errors="replace"):
    if m := re.search(r"call list painted: (\d+)", line):
        painted = int(m.group(1))
# A reconnect is due within the longest retry delay (17 s) and the second
# before the attempt, counted from the end of any refusal that overlaps.
late, delays = [], []
for d in drops:
    after = [c for c in connects if c > d]
    # No reconnect at all by the end counts as late once it was due.
    c = after[0] if after else ended
    allowed = 18.0 + 1.0
    for r0, r1 in refusals:
        if r0 < c and r1 > d:
            allowed = max(allowed, (r1 - d) + 18.0 + 1.0)
    if after:
        delays.append(c - d)
    if c - d > allowed:
        late.append((round(c - d, 1), round(allowed, 1)))
measured = rss_minute >= 0
growth_kib = rss_end - rss_minute if measured else 0
print(f"client alive at the end : {'yes' if alive else 'NO'}")
print(f"call lists sent         : {sent} (the server's count at its last 10-second mark)")
print(f"call lists painted      : {painted} (lists that arrived between two paints count once)")
print(f"drops                   : {len(drops)}   refusal windows: {len(refusals)}")
print(f"reconnects              : {len(connects) - 1 if connects else 0}")
if delays:
    print(f"reconnect delay (s)     : min {min(delays):.1f}  max {max(delays):.1f}  mean {sum(delays)/len(delays):.1f}")
print(f"late reconnects         : {len(late)} {late if late else ''}")
if measured:
    print(f"client memory (RSS)     : {rss_minute} KiB after 1 min, {rss_end} KiB at the end ({growth_kib:+d} KiB)")
else:
    print(f"client memory (RSS)     : {rss_end} KiB at the end; growth from minute 1 not measured "
          "(the run is shorter than a minute: SOAK_SECONDS=600 to measure it)")
if series:
    print(f"memory every 30 s (KiB) : {' '.join(str(x) for x in series)}")
ok = alive and not late and growth_kib < 5 * 1024 and painted > 0
print("soak: " + ("passed" if ok else "FAILED"))
sys.exit(0 if ok else 1)
PY
