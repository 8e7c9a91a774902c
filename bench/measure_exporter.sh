#!/usr/bin/env bash
# senvaro-exporter's cost with many access points: CPU share (per cent of one core) and
# resident memory of the exporter, and the time a scrape of /metrics takes.
#
#   bench/measure_exporter.sh [-n ACCESS_POINTS] [-k STATIONS] [-c CYCLE_S] [-s SECONDS] [-w WARMUP_S] [-b BUILD_DIR]
#   defaults: 50 access points (127.0.1.1-127.0.1.50), 12 stations each, a 2 s cycle,
#             beyond 250 the next /24 (access point 251 is 127.0.2.1, 1000 is 127.0.4.250),
#             60 s measured after a 15 s warm-up
#
# Runs the simulator (one process for all addresses) and the exporter in a private network
# namespace (needs root, or run it under `unshare --user --map-root-user`). Only the
# exporter's process is measured.
set -euo pipefail

aps=50 stations=12 cycle=2 seconds=60 warmup=15
build="$(cd "$(dirname "$0")/.." && pwd)/build"
while getopts n:k:c:s:w:b: opt; do
  case "$opt" in
  n) aps="$OPTARG" ;;
  k) stations="$OPTARG" ;;
  c) cycle="$OPTARG" ;;
  s) seconds="$OPTARG" ;;
  w) warmup="$OPTARG" ;;
  b) build="$OPTARG" ;;
  *) exit 2 ;;
  esac
done

if [ -z "${SENVARO_MEASURE_INSIDE:-}" ]; then
  cmake --build "$build" --target senvaro-exporter senvaro-apsim >/dev/null
  exec unshare --net env SENVARO_MEASURE_INSIDE=1 bash "$0" "$@"
fi
ip link set lo up

# Access point I (from 1): 250 to a /24, as the simulator takes ranges within one /24.
address() { echo "127.0.$((1 + ($1 - 1) / 250)).$((1 + ($1 - 1) % 250))"; }
ranges=""
for ((first = 1; first <= aps; first += 250)); do
  last=$((first + 249 < aps ? first + 249 : aps))
  ranges+="${ranges:+,}$(address "$first")-$(address "$last")"
done

tmp="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait; rm -rf "$tmp"' EXIT

{
  printf '[Server]\r\nIP=127.0.1.1\r\n[User]\r\nName=admin\r\nPasswort=admin\r\n'
  printf 'Polling Zyklus in Sekunden=%s\r\n[bekannte MAC-Adressen]\r\nAnzahl=%s\r\n' "$cycle" "$((aps - 1))"
  for i in $(seq 2 "$aps"); do
    printf 'MAC-Adr.%d=-\r\nName %d=AP %d\r\nIP-Adresse %d=%s\r\nist_AP %d=Wahr\r\n' \
      "$((i - 1))" "$((i - 1))" "$i" "$((i - 1))" "$(address "$i")" "$((i - 1))"
  done
} >"$tmp/SENVARO.INI"
chmod 600 "$tmp/SENVARO.INI"

"$build/tools/apsim/senvaro-apsim" --addresses "$ranges" --stations "$stations" >/dev/null 2>&1 &
pids+=($!)
sleep 1
"$build/src/exporter/senvaro-exporter" --settings "$tmp/SENVARO.INI" --listen 127.0.0.1:9847 2>"$tmp/err" &
pid=$!
pids+=($pid)
sleep "$warmup"
up="$(curl -s 127.0.0.1:9847/metrics | grep -c '^senvaro_up{.*} 1$' || true)"
series="$(curl -s 127.0.0.1:9847/metrics | grep -vc '^#' || true)"
full="$(curl -s 127.0.0.1:9847/metrics | grep -c "^senvaro_stations{.*} $stations\$" || true)"

answered() { curl -s 127.0.0.1:9847/metrics | awk '/result="answered"/ { n += $2 } END { print n }'; }
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz="$(getconf CLK_TCK)"
a0="$(answered)"
t0="$(ticks)"
start="$(date +%s.%N)"
sleep "$seconds"
t1="$(ticks)"
end="$(date +%s.%N)"
a1="$(answered)"
rss="$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")"
hwm="$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")"

# Scrapes after the CPU window, so their own cost does not count there.
for _ in $(seq 50); do
  curl -s -o /dev/null -w '%{time_total}\n' 127.0.0.1:9847/metrics
done | sort -n >"$tmp/scrapes"
# The same for the tiny page "/": what the HTTP round trip alone costs here.
for _ in $(seq 50); do
  curl -s -o /dev/null -w '%{time_total}\n' 127.0.0.1:9847/
done | sort -n >"$tmp/baseline"

echo "access points up: $up of $aps, $stations stations each, cycle $cycle s, $series series"
echo "access points reporting all $stations stations: $full"
awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$start" -v e="$end" \
  'BEGIN { printf "CPU: %.2f %% of one core over %.0f s\n", 100 * (b - a) / hz / (e - s), e - s }'
awk -v a="$a0" -v b="$a1" -v s="$start" -v e="$end" 'BEGIN { printf "answered polls: %.1f per second\n", (b - a) / (e - s) }'
echo "RSS: $((rss / 1024)) MiB now, peak $((hwm / 1024)) MiB"
awk '{ v[NR] = $1 * 1000 } END { printf "scrape: median %.2f ms, 90th %.2f ms, max %.2f ms (%d scrapes)\n", v[int(NR/2)+1], v[int(NR*0.9)], v[NR], NR }' "$tmp/scrapes"
awk '{ v[NR] = $1 * 1000 } END { printf "page /: median %.2f ms, 90th %.2f ms, max %.2f ms (HTTP alone)\n", v[int(NR/2)+1], v[int(NR*0.9)], v[NR] }' "$tmp/baseline"
echo "stderr lines of the exporter: $(wc -l <"$tmp/err")"
