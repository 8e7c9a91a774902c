#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
#   SENVARO_FUZZ_SECONDS=n   seconds per fuzzer in the short fuzzing run (default 10, 0 = skip)
#   SENVARO_SANITIZE=0       skips the logic tests' run under ASan and UBSan
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

senvaro_install_packages
senvaro_check_format
# Warnings are errors here, so none slips in; ./run.sh builds without this gate.
senvaro_build -DCMAKE_COMPILE_WARNING_AS_ERROR=ON

export QT_QPA_PLATFORM=offscreen

# A short fuzzing run first (its own clang build), so the test summary stays the last word.
fuzz_seconds="${SENVARO_FUZZ_SECONDS:-10}"
if [ "$fuzz_seconds" -gt 0 ]; then
  senvaro_build_fuzzers
  for fuzzer in "$FUZZ_BUILD_DIR"/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] && [ -f "$fuzzer" ] || continue
    if ! ASAN_OPTIONS=detect_leaks=0 "$fuzzer" -max_total_time="$fuzz_seconds" \
        -artifact_prefix="$FUZZ_BUILD_DIR/" >"$FUZZ_BUILD_DIR/$(basename "$fuzzer").log" 2>&1; then
      echo "Fuzzer $(basename "$fuzzer") found a problem:" >&2
      tail -40 "$FUZZ_BUILD_DIR/$(basename "$fuzzer").log" >&2
      exit 1
    fi
    echo "fuzzer $(basename "$fuzzer"): $(grep -Eo 'Done [0-9]+ runs' "$FUZZ_BUILD_DIR/$(basename "$fuzzer").log"), no findings"
  done
fi

# The logic tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, in a build
# of their own; any finding fails the run.
if [ "${SENVARO_SANITIZE:-1}" != 0 ]; then
  SENVARO_TARGETS=senvaro_logic_tests senvaro_build_in "$BUILD_DIR-asan" -DSENVARO_SANITIZE=ON -DSENVARO_BENCH=OFF
  if ! (cd "$BUILD_DIR-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      senvaro_in_netns ctest -L logic -j"$(nproc)" >"$BUILD_DIR-asan/ctest.log" 2>&1); then
    echo "The sanitizers found a problem in the logic tests:" >&2
    grep -E 'ERROR: |runtime error|Failed|FAIL' "$BUILD_DIR-asan/ctest.log" | head -40 >&2
    exit 1
  fi
  echo "logic tests under ASan and UBSan: $(grep -E 'tests passed' "$BUILD_DIR-asan/ctest.log" | tail -1)"
fi

cd "$BUILD_DIR"
# Three tests per core: most of them wait (on logins, time-outs, brokers) rather than compute,
# and a fourth made the packing and rule tests, which do compute, wait for each other
# (on two cores 20.3 s against 17.6 s for the whole run).
senvaro_in_netns ctest --output-on-failure -j"$((3 * $(nproc)))" "$@"
