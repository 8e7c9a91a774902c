#!/usr/bin/env bash
# Start time and memory of senvaro against a bare Qt window (bench/bare_window.cpp: a tab
# widget with a Qt Charts view), started in turn, N times each:
#
#   bench/measure_start.sh [-n RUNS] [-p offscreen|xcb] [-c CPU[,CPU...]] [-b BUILD_DIR]
#   defaults: 5 runs each, the offscreen platform (xcb needs a display, e.g. under xvfb-run),
#             the last CPU
#
# Both programs honour SENVARO_EXIT_WHEN_SHOWN=1: once their window is first painted they
# print the wall clock and their resident and peak memory, and end. The time counted runs
# from just before the process is started (so it includes loading the libraries) to that
# paint. senvaro runs as a plain copy in a temporary folder with a settings file beside
# it, so nothing is written into the tree. One unmeasured run of each comes first (disk
# cache). Prints each run, the medians and the ratios senvaro/bare (the goal: at most 1.2).
# Every run is held on the same CPU(s): on a virtual machine the CPUs can differ in speed by
# a third, so two programs the scheduler put on different CPUs are not compared at all.
set -euo pipefail

runs=5 platform=offscreen cpu=$(($(nproc) - 1))
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
src=$(dirname "$(dirname "$self")")
build=$src/build
while getopts "n:p:c:b:h" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    p) platform=$OPTARG ;;
    c) cpu=$OPTARG ;;
    b) build=$(cd "$OPTARG" && pwd) ;;
    *) sed -n '2,17p' "$self"; exit 2 ;;
  esac
done

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$src} CCACHE_NOHASHDIR=true
cmake -S "$src" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target senvaro bare_window >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$build/senvaro" "$tmp/senvaro"
# A settings file as a user's after the first start; the address is a loopback one.
printf '[PrgWindow]\r\nWindowState=0\r\nleft=0\r\ntop=0\r\nheight=4230\r\nwidth=6600\r\n' >"$tmp/SENVARO.INI"
printf '[Server]\r\nIP=127.0.0.2\r\n[User]\r\nName=admin\r\nPasswort=\r\nPolling Zyklus in Sekunden=2\r\n' \
  >>"$tmp/SENVARO.INI"
printf '[bekannte MAC-Adressen]\r\nAnzahl=1\r\nMAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n' \
  >>"$tmp/SENVARO.INI"

SENVARO_EXIT_WHEN_SHOWN=1 QT_QPA_PLATFORM=$platform python3 - "$runs" "$cpu" "$build/bench/bare_window" "$tmp/senvaro" <<'PY'
import os, statistics, subprocess, sys, time

runs, cpus = int(sys.argv[1]), {int(c) for c in sys.argv[2].split(",")}
programs = {"bare": sys.argv[3], "senvaro": sys.argv[4]}

def once(exe):
    start = time.time_ns()
    done = subprocess.run([exe], capture_output=True, text=True, timeout=60,
                          preexec_fn=lambda: os.sched_setaffinity(0, cpus))
    fields = next((l.split() for l in done.stdout.splitlines() if l.startswith("shown ")), None)
    if not fields:
        sys.exit("%s did not report its window (status %d): %s" % (exe, done.returncode, done.stderr[-500:]))
    return int(fields[1]) - start / 1e6, int(fields[3]) / 1024, int(fields[5]) / 1024

for exe in programs.values():
    once(exe)
got = {name: [] for name in programs}
for i in range(runs):
    for name, exe in programs.items():
        got[name].append(once(exe))
        print("run %d %-8s %7.1f ms  RSS %6.1f MiB  peak %6.1f MiB" % ((i + 1, name) + got[name][-1]))
med = {name: [statistics.median(r[k] for r in rows) for k in range(3)] for name, rows in got.items()}
print()
for name in programs:
    print("median %-8s %7.1f ms  RSS %6.1f MiB  peak %6.1f MiB" % ((name,) + tuple(med[name])))
ratios = [med["senvaro"][k] / med["bare"][k] for k in range(3)]
print("ratio senvaro/bare: time %.2f  RSS %.2f  peak %.2f  (goal: at most 1.2)" % tuple(ratios))
PY
