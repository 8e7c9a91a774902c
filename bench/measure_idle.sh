#!/usr/bin/env bash
# The window's idle cost while polling: CPU share (per cent of one core) and resident
# memory per page, against the simulator, under a virtual X server.
#
#   bench/measure_idle.sh [-s SECONDS_PER_PAGE] [-n STATIONS] [-c CYCLE_S] [-w WARMUP_S]
#                         [-p offscreen|xcb] [-b BUILD_DIR] [-g PNG_DIR]
#   defaults: 120 s per page, 12 stations, a 2 s cycle, 10 s warm-up, xcb (Xvfb)
#
# Builds measure_idle and senvaro-apsim, then runs both in a private network namespace
# (needs root, or run it under `unshare --user --map-root-user`), the simulator on
# 127.0.0.2 port 23 with stations coming and going and levels drifting. Only the
# window's process is measured; the simulator's and the X server's CPU time over the
# whole run are printed apart. With -p offscreen no X server is used.
set -euo pipefail

seconds=120 stations=12 cycle=2 warmup=10 platform=xcb grab=
src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build
while getopts "s:n:c:w:p:b:g:h" opt; do
  case $opt in
    s) seconds=$OPTARG ;;
    n) stations=$OPTARG ;;
    c) cycle=$OPTARG ;;
    w) warmup=$OPTARG ;;
    p) platform=$OPTARG ;;
    b) build=$OPTARG ;;
    g) grab=$(mkdir -p "$OPTARG" && cd "$OPTARG" && pwd) ;;
    *) sed -n '2,14p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

if [[ ${1:-} != --inside ]]; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$src} CCACHE_NOHASHDIR=true
  cmake -S "$src" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target measure_idle senvaro-apsim >/dev/null
  if [[ $platform == xcb ]] && ! command -v xvfb-run >/dev/null; then
    apt-get install -y xvfb xauth >/dev/null
  fi
  exec unshare --net bash "$0" -s "$seconds" -n "$stations" -c "$cycle" -w "$warmup" -p "$platform" \
    -b "$build" ${grab:+-g "$grab"} -- --inside
fi

# From here on: inside the namespace, where loopback is ours alone.
ip link set lo up
addr=127.0.0.2
work=$(mktemp -d)
sim_pid=
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Ticks of user plus system time of a process, from /proc/PID/stat.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

"$build/tools/apsim/senvaro-apsim" --address $addr --stations "$stations" --come-and-go 5 --drift 30 \
  --quiet >"$work/apsim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/$addr/23) 2>/dev/null && break
  sleep 0.1
done
sim_start=$(cpu_ticks $sim_pid)

args=(--address $addr --seconds "$seconds" --warmup "$warmup" --cycle "$cycle" ${grab:+--grab "$grab"})
export LC_ALL=C.UTF-8 XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The program runs from a folder of its own, so nothing lands beside the build.
cd "$work"
if [[ $platform == offscreen ]]; then
  QT_QPA_PLATFORM=offscreen "$build/bench/measure_idle" "${args[@]}"
else
  # Xvfb's own time: the newest Xvfb of this namespace's run, read once before the end.
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$0" "$@" & prog=$!
    xvfb=$(pgrep -n -x -P $PPID Xvfb)
    wait $prog; rc=$?
    awk "{printf \"Xvfb: %.2f s CPU over the whole run\\n\", (\$14 + \$15) / $(getconf CLK_TCK)}" /proc/$xvfb/stat
    exit $rc' "$build/bench/measure_idle" "${args[@]}"
fi
hz=$(getconf CLK_TCK)
echo "senvaro-apsim: $(awk -v t=$(( $(cpu_ticks $sim_pid) - sim_start )) -v hz="$hz" 'BEGIN{printf "%.2f", t/hz}') s CPU over the measured run"
