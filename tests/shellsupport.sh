# Shared by the shell tests: a temporary folder and background processes that go with the
# test, waiting, free ports and a Prometheus on loopback.

tmp="$(mktemp -d)"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# A pipe nobody writes to: reading it with a time-out pauses without starting a process
# (the polls below would start hundreds of sleeps, each costing CPU on a loaded machine).
exec {idle_fd}<> <(:)
pause() { # SECONDS
  read -r -t "$1" -u "$idle_fd" _ || true
}
# wait_for SECONDS COMMAND...: runs the command every 0.1 s (or $poll_every) until it succeeds.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    pause "${poll_every:-0.1}"
  done
}
# free_port: a TCP port nothing listens on, below the kernel's ephemeral range so that no
# outgoing connection takes it meanwhile (a shell's check: a Python start costs a second
# on a loaded machine).
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 12000))
    [ -n "$(ss -Htln "sport = :$p")" ] || break
  done
  echo "$p"
}
# start_prometheus EXPORTER_PORT [RULE_FILE]: scrapes 127.0.0.1:EXPORTER_PORT every 250 ms;
# sets prom_port and api (the instant-query address).
start_prometheus() {
  prom_port="$(free_port)"
  {
    printf 'global:\n  scrape_interval: 250ms\n  evaluation_interval: 1s\n'
    [ -z "${2:-}" ] || printf 'rule_files:\n  - %s\n' "$2"
    printf 'scrape_configs:\n  - job_name: senvaro\n    static_configs:\n'
    printf "      - targets: ['127.0.0.1:%s']\n" "$1"
  } >"$tmp/prometheus.yml"
  prometheus --config.file="$tmp/prometheus.yml" --storage.tsdb.path="$tmp/tsdb" \
    --web.listen-address="127.0.0.1:$prom_port" >"$tmp/prom.log" 2>&1 &
  pids+=($!)
  api="http://127.0.0.1:$prom_port/api/v1/query"
}
