#!/usr/bin/env bash
# `make soak`: the real display client on a virtual display against the
# simulator in soak mode (a changing call list every 100 ms; drops, some in
# the middle of a long message; drops followed by refused connections; junk
# between frames) for SOAK_SECONDS. Prints lists sent and painted, drops,
# reconnects with their delays, refused attempts, and the client's memory
# after one minute and at the end.
# Exits 1 when the client died, missed a drop, retried earlier or later than
# the delay it announced (3 to 17 s, the attempt a second after the
# countdown's end), painted no list on a connection that lasted, met none of
# the refusals a retry could not miss, or its memory grew by 5 MiB or more
# from minute 1 to the end (a run shorter than a minute says that it cannot
# tell). Everything stays in <build>/soak.
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

# The client's retry: a delay of 3 to 17 whole seconds, announced at the
# loss, counted down by a 1 s timer; the attempt comes one tick after zero.
DELAY_MIN, DELAY_MAX = 3, 17
# The countdown's timer is a coarse one: each tick may move by up to 5 % to
# fall on a whole second, half a second at most over a countdown (seen: 0.2 s
# early), plus the event loop's own delay.
TICK_SLACK = 0.6
# A connection shorter than this may end before its first list is painted.
PAINT_GRACE = 3.0

# "<date> <time> <level> <category>: <text>", the simulator and the display alike.
stamp = re.compile(r"^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) \w+ [\w.]+: (.*)$")
def events(path):
    for line in open(path, encoding="utf-8", errors="replace"):
        m = stamp.match(line.rstrip("\n"))
        if m:
            t = datetime.strptime(m.group(1), "%Y-%m-%d %H:%M:%S.%f").timestamp()
            if t <= ended:
                yield t, m.group(2)

# The simulator's side.
sent = 0
refusals = []  # [start, end]
closed, connects, displays = [], [], set()
for t, text in events(f"{folder}/callserver.log"):
    if m := re.match(r"soak: listor skickade (\d+)", text):
        sent = int(m.group(1))
    elif m := re.match(r"soak: kopplar ner och vägrar anslutningar i (\d+) ms", text):
        refusals.append([t, t + int(m.group(1)) / 1000])
    elif text == "tar emot anslutningar igen" and refusals:
        refusals[-1][1] = t
    elif m := re.match(r"(\S+) <- \xa4(GETCALLLIST|RECONNECT):", text):
        # Only the display's own connection counts: the update check opens
        # and closes a second one of its own.
        displays.add(m.group(1))
    elif text.endswith(" frånkopplad"):
        closed.append((t, text.split()[0]))
    elif text.endswith(" ansluten"):
        connects.append((t, text.split()[0]))
drops = [t for t, peer in closed if peer in displays]
server_connects = [t for t, peer in connects if peer in displays]

# The client's side.
attempts, refused, connected, lost, countdowns, paints = [], [], [], [], [], []
for t, text in events(f"{folder}/client.log"):
    if text.startswith("connecting to "):
        attempts.append(t)
    elif text.startswith("could not connect to "):
        # 10061 is the code the client gives a refused connection.
        if "( 10061 )" in text:
            refused.append(t)
    elif text.startswith("connected to "):
        connected.append(t)
    elif text.startswith("connection lost:"):
        lost.append(t)
    elif m := re.match(r"next attempt in (-?\d+) s", text):
        countdowns.append((t, int(m.group(1))))
    elif m := re.search(r"call list painted: (\d+)", text):
        paints.append((t, int(m.group(1))))
painted = paints[-1][1] if paints else 0

def first_after(times, t):
    return next((x for x in times if x > t), None)

# Each countdown against what it announced and against the specified range.
early, late, off_range, waits, errors = [], [], [], [], []
for t, announced in countdowns:
    if not DELAY_MIN <= announced <= DELAY_MAX:
        off_range.append(announced)
    due = announced + 1
    attempt = first_after(attempts, t)
    if attempt is None:
        # None by the end: late once it was due.
        if ended - t > due + TICK_SLACK:
            late.append((round(ended - t, 1), due, "no attempt"))
        continue
    wait = attempt - t
    waits.append(wait)
    errors.append(wait - due)
    if wait < due - TICK_SLACK:
        early.append((round(wait, 1), due))
    elif wait > due + TICK_SLACK:
        late.append((round(wait, 1), due))

# Every drop of the display reaches the client.
unnoticed = [round(d, 1) for d in drops if not any(d - 1 <= l <= d + 5 for l in lost)
             and ended - d > 5]

# Lists are painted again on every connection that lasts.
unpainted, short = [], 0
for i, c in enumerate(connected):
    end = first_after(lost, c) or ended
    until = connected[i + 1] if i + 1 < len(connected) else ended
    before = max((n for t, n in paints if t <= c), default=0)
    if any(c < t <= until and n > before for t, n in paints):
        continue
    if end - c < PAINT_GRACE:
        short += 1
    else:
        unpainted.append(round(end - c, 1))

# Refusals: those outlasting the longest wait before a retry (the display is
# dropped as one starts) must be met.
longest_wait = DELAY_MAX + 1 + TICK_SLACK + 1.0  # the second: noticing the drop
met = [any(r0 <= t <= r1 for t in refused) for r0, r1 in refusals]
must_meet = [r1 - r0 > longest_wait for r0, r1 in refusals]
unmet = sum(1 for m, must in zip(met, must_meet) if must and not m)

measured = rss_minute >= 0
growth_kib = rss_end - rss_minute if measured else 0
print(f"client alive at the end : {'yes' if alive else 'NO'}")
print(f"call lists sent         : {sent} (the server's count at its last 10-second mark)")
print(f"call lists painted      : {painted} (lists that arrived between two paints count once)")
print(f"drops                   : {len(drops)}   unnoticed by the client: {len(unnoticed)} {unnoticed if unnoticed else ''}")
print(f"reconnects              : {len(server_connects) - 1 if server_connects else 0}")
print(f"refusal windows         : {len(refusals)}, met by a retry: {sum(met)}; "
      f"{sum(must_meet)} outlasted the longest wait, unmet: {unmet}")
print(f"refused attempts        : {len(refused)}")
if waits:
    print(f"wait before an attempt  : min {min(waits):.1f} s  max {max(waits):.1f} s  "
          f"(against the announced delay + 1 s: {min(errors):+.2f} to {max(errors):+.2f} s)")
print(f"attempts too early      : {len(early)} {early if early else ''}")
print(f"attempts too late       : {len(late)} {late if late else ''}")
if off_range:
    print(f"delays outside {DELAY_MIN}..{DELAY_MAX} s : {off_range}")
print(f"connections w/o a paint : {len(unpainted)} {unpainted if unpainted else ''} "
      f"({short} ended within {PAINT_GRACE:.0f} s, too soon to tell)")
if measured:
    print(f"client memory (RSS)     : {rss_minute} KiB after 1 min, {rss_end} KiB at the end ({growth_kib:+d} KiB)")
else:
    print(f"client memory (RSS)     : {rss_end} KiB at the end; growth from minute 1 not measured "
          "(the run is shorter than a minute: SOAK_SECONDS=600 to measure it)")
if series:
    print(f"memory every 30 s (KiB) : {' '.join(str(x) for x in series)}")
ok = (alive and not early and not late and not off_range and not unnoticed and not unpainted
      and not unmet and growth_kib < 5 * 1024 and painted > 0)
print("soak: " + ("passed" if ok else "FAILED"))
sys.exit(0 if ok else 1)
PY
