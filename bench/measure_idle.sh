#!/usr/bin/env bash
# The window's idle cost while polling: CPU share (per cent of one core) and resident
# memory per page, against the simulator, under a virtual X server.
#
#   bench/measure_idle.sh [-s SECONDS_PER_PAGE] [-n STATIONS] [-c CYCLE_S] [-w WARMUP_S]
#                         [-p xcb|offscreen] [-o PAGES] [-g PNG_DIR] [-r PERF_DATA] [-b BUILD_DIR] [-C CPU]
#                         [-P] [-W] [-E]
#   defaults: 120 s per page, 12 stations, a 2 s cycle, 10 s warm-up, xcb (under Xvfb),
#             the pages " Clients,Diagramm,Verlauf"
#   -g saves each page as PNG after measuring it, to see what was on screen.
#   -C pins the measured program to one CPU (taskset -c CPU). The CPUs of a virtual machine
#      may differ in speed, and the scheduler's pick then moves the figures; compare
#      figures taken on the same CPU.
#   -P counts the paint events each widget got per page, the frames (window updates) and
#      the timer events per object (costs some CPU itself).
#   -W opens the history's own window after the login; it draws beside every page.
#   -E opens the window "Wer ist da?" after the login; it is updated beside every page.
#   -r records the first page with `perf record --call-graph dwarf` into PERF_DATA (its
#      cost then counts in that page's figures), e.g.
#      bench/measure_idle.sh -s 60 -o Diagramm -r /tmp/diagramm.perf
#      perf report -i /tmp/diagramm.perf --no-children --sort symbol
#   MEASURE_WRAP (environment) goes before the program, e.g. to count the instructions of
#      the measured stretch, which load on the machine does not change:
#      MEASURE_WRAP="valgrind --tool=callgrind --collect-atstart=no \
#        --toggle-collect=*measuredIdle* --callgrind-out-file=/tmp/idle.cg" bench/measure_idle.sh ...
#
# Builds measure_idle and senvaro-apsim, then runs both in a private network namespace
# (needs root, or run it under `unshare --user --map-root-user`), the simulator on
# 127.0.0.2 port 23 with stations coming and going and levels drifting. Only the
# window's process is measured; the simulator's and the X server's CPU time are
# printed apart.
set -euo pipefail

seconds=120 stations=12 cycle=2 warmup=10 platform=xcb pages=" Clients,Diagramm,Verlauf" grab= perf= paints= window= presence= cpu=
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
src=$(dirname "$(dirname "$self")")
build=$src/build
while getopts "s:n:c:w:p:o:g:r:b:C:PWEh" opt; do
  case $opt in
    s) seconds=$OPTARG ;;
    n) stations=$OPTARG ;;
    c) cycle=$OPTARG ;;
    w) warmup=$OPTARG ;;
    p) platform=$OPTARG ;;
    o) pages=$OPTARG ;;
    g) grab=$(mkdir -p "$OPTARG" && cd "$OPTARG" && pwd) ;;
    r) perf=$(cd "$(dirname "$OPTARG")" && pwd)/$(basename "$OPTARG") ;;
    b) build=$(cd "$OPTARG" && pwd) ;;
    C) cpu=$OPTARG ;;
    P) paints=1 ;;
    W) window=1 ;;
    E) presence=1 ;;
    *) sed -n '2,31p' "$self"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
stage=${1:-}
again=(-s "$seconds" -n "$stations" -c "$cycle" -w "$warmup" -p "$platform" -o "$pages" -b "$build")
[[ -n $grab ]] && again+=(-g "$grab")
[[ -n $perf ]] && again+=(-r "$perf")
[[ -n $paints ]] && again+=(-P)
[[ -n $window ]] && again+=(-W)
[[ -n $presence ]] && again+=(-E)
[[ -n $cpu ]] && again+=(-C "$cpu")
hz=$(getconf CLK_TCK)
# Seconds of user plus system time of a process so far, from /proc/PID/stat.
cpu_s() { awk -v hz="$hz" '{printf "%.2f", ($14 + $15) / hz}' "/proc/$1/stat" 2>/dev/null || echo 0; }

case $stage in
'')
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$src} CCACHE_NOHASHDIR=true
  cmake -S "$src" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target measure_idle senvaro-apsim >/dev/null
  if [[ $platform == xcb ]] && ! command -v xvfb-run >/dev/null; then
    apt-get install -y xvfb xauth >/dev/null
  fi
  if [[ -n $perf ]] && ! command -v perf >/dev/null; then
    apt-get install -y linux-perf >/dev/null
  fi
  exec unshare --net bash "$self" "${again[@]}" -- inside
  ;;

inside)
  # In the namespace: loopback is ours alone.
  ip link set lo up
  addr=127.0.0.2
  work=$(mktemp -d)
  sim_pid=
  trap '[[ -n $sim_pid ]] && kill $sim_pid 2>/dev/null; rm -rf "$work"' EXIT
  "$build/tools/apsim/senvaro-apsim" --address $addr --stations "$stations" --come-and-go 5 --drift 30 \
    >"$work/apsim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/$addr/23) 2>/dev/null && break
    sleep 0.1
  done
  sim_start=$(cpu_s $sim_pid)
  export LC_ALL=C.UTF-8 XDG_RUNTIME_DIR=$work/run MEASURE_ADDR=$addr
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  # The program runs in a folder of its own, so nothing lands beside the build.
  cd "$work"
  if [[ $platform == offscreen ]]; then
    QT_QPA_PLATFORM=offscreen bash "$self" "${again[@]}" -- run
  else
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" bash "$self" "${again[@]}" -- run
  fi
  # Its log line per received command also tells how many polls the window sent.
  echo "senvaro-apsim: $(awk -v a="$sim_start" -v b="$(cpu_s $sim_pid)" 'BEGIN{printf "%.2f", b - a}') s CPU" \
    "after its start, $(grep -c 'get station' "$work/apsim.log" || true) polls answered in all"
  ;;

run)
  # Under xvfb-run the X server is this script's sibling.
  xvfb=$(pgrep -n -x -P $PPID Xvfb || true)
  ${cpu:+taskset -c "$cpu"} ${MEASURE_WRAP:-} "$build/bench/measure_idle" --address "$MEASURE_ADDR" --seconds "$seconds" --warmup "$warmup" \
    --cycle "$cycle" --pages "$pages" ${grab:+--grab "$grab"} ${paints:+--paints} ${window:+--history-window} ${presence:+--presence-window} > >(tee program.log) &
  prog=$!
  if [[ -n $perf ]]; then
    for _ in $(seq 300); do
      grep -q "^logged in" program.log 2>/dev/null && break
      sleep 0.1
    done
    sleep "$warmup"
    # A little shorter than the page, so the recording ends before the program does.
    perf record -q -F 20000 --call-graph dwarf,16384 -p $prog -o "$perf" -- sleep $((seconds > 2 ? seconds - 2 : 1)) \
      >/dev/null 2>perf.log || cat perf.log >&2
  fi
  rc=0
  wait $prog || rc=$?
  [[ -n $xvfb ]] && echo "Xvfb: $(cpu_s "$xvfb") s CPU over the whole run"
  exit $rc
  ;;
esac
