# Shared by run.sh and test.sh: install what is missing, configure, build.
# Quiet when everything is already there.

SENVARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${SENVARO_BUILD_DIR:-$SENVARO_ROOT/build}"
FUZZ_BUILD_DIR="$BUILD_DIR-fuzz"

SENVARO_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-charts-dev qt6-svg-dev qt6-translations-l10n libgl-dev
  qt6-httpserver-dev qt6-websockets-dev prometheus jsonnet
  libbenchmark-dev clang libclang-rt-14-dev
  iproute2 util-linux clang-format
  desktop-file-utils appstream groff-base man-db dpkg-dev file
  ieee-data dbus-daemon tzdata
  libcrypt-dev prometheus-node-exporter apache2-utils openssl curl python3 python3-yaml jq
  mosquitto mosquitto-clients libmosquitto-dev
)

senvaro_install_packages() {
  local missing=()
  local p
  for p in "${SENVARO_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "These Debian packages are missing and this user cannot install them: ${missing[*]}" >&2
      return 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# senvaro_build_in DIR [cmake options...]: configure (again only when options are given,
# so they take effect in a folder configured before), then build quietly (only the
# targets in SENVARO_TARGETS when that is set).
senvaro_build_in() {
  local dir="$1"
  shift
  local targets=()
  [ -n "${SENVARO_TARGETS:-}" ] && targets=(--target $SENVARO_TARGETS)
  local log
  log="$(mktemp)"
  if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
    if ! cmake -S "$SENVARO_ROOT" -B "$dir" -G Ninja "$@" >"$log" 2>&1; then
      cat "$log" >&2
      rm -f "$log"
      return 1
    fi
  fi
  if ! cmake --build "$dir" "${targets[@]}" >"$log" 2>&1; then
    grep -E 'error|FAILED|undefined reference' "$log" >&2 || cat "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

senvaro_build() {
  senvaro_build_in "$BUILD_DIR" "$@"
}

# Fails, naming the files, when clang-format would change any tracked C++ file.
senvaro_check_format() {
  local files
  if git -C "$SENVARO_ROOT" rev-parse --git-dir >/dev/null 2>&1; then
    files=$(git -C "$SENVARO_ROOT" ls-files -- '*.cpp' '*.h')
  else
    files=$(cd "$SENVARO_ROOT" && find src tests tools bench fuzz -name '*.cpp' -o -name '*.h')
  fi
  local bad
  bad=$(cd "$SENVARO_ROOT" && echo "$files" | xargs -r clang-format --dry-run 2>&1 | { grep 'warning:' || true; } | cut -d: -f1 | sort -u)
  if [ -n "$bad" ]; then
    echo "clang-format would change these files (run clang-format -i on them):" >&2
    echo "$bad" >&2
    return 1
  fi
}

# The libFuzzer targets need clang and an instrumented build of their own.
senvaro_build_fuzzers() {
  CXX=clang++ senvaro_build_in "$FUZZ_BUILD_DIR" -DSENVARO_FUZZ=ON -DSENVARO_TESTS=OFF -DSENVARO_BENCH=OFF
}

# Runs a command in a private network namespace with loopback up, so tests and the
# demo can bind port 23 on 127.0.0.x without disturbing the machine. Root gets a plain
# network namespace; other users a user namespace that maps them to root.
senvaro_in_netns() {
  local flags=(--net)
  [ "$(id -u)" -ne 0 ] && flags=(--user --map-root-user --net)
  if unshare "${flags[@]}" true 2>/dev/null; then
    unshare "${flags[@]}" bash -c 'ip link set lo up && exec "$@"' bash "$@"
  elif [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    echo "Cannot create a network namespace (unshare) and not root: port 23 is out of reach." >&2
    return 1
  fi
}
