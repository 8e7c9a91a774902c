#!/usr/bin/env bash
# senvaro-exporter as an admin runs it: the unit checked by its own tool (the alert rules
# are tst_mixin.sh's), the options and the settings file's checks, then a real Prometheus on loopback
# scraping the exporter that watches three simulated access points, one of which falls
# silent. Runs inside a private network namespace (the simulator binds port 23).
# Needs SENVARO_EXPORTER_BIN, SENVARO_APSIM_BIN and SENVARO_SOURCE_DIR.
set -euo pipefail

exe="$SENVARO_EXPORTER_BIN"
res="$SENVARO_SOURCE_DIR/resources/linux"
source "$(dirname "$0")/shellsupport.sh"

# ---- Unit ----
# Checked in the background while the rest runs; the outcome is collected at the end.
(
  if command -v systemd-analyze >/dev/null 2>&1; then
    sed "s|/usr/bin/senvaro-exporter|$exe|" "$res/senvaro-exporter.service" >"$tmp/senvaro-exporter.service"
    out="$(systemd-analyze verify --man=no "$tmp/senvaro-exporter.service" 2>&1)" || fail "systemd-analyze verify: $out"
    [ -z "$out" ] || fail "systemd-analyze verify: $out"
  else
    echo "systemd-analyze not present: unit not verified"
  fi
) &
checks_pid=$!

# ---- Settings file ----
password='Geh31m"Pw'
settings="$tmp/SENVARO.INI"
{
  printf '[Server]\r\nIP=127.0.6.1\r\n[User]\r\nName=technik\r\nPasswort=%s\r\n' "$password"
  printf 'Polling Zyklus in Sekunden=1\r\n[bekannte MAC-Adressen]\r\nAnzahl=3\r\n'
  printf 'MAC-Adr.1=F0:18:98:06:02:01\r\nName 1=Kasse "vorne"\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n'
  printf 'MAC-Adr.2=-\r\nName 2=Lager\r\nIP-Adresse 2=127.0.6.2\r\nist_AP 2=Wahr\r\n'
  printf 'MAC-Adr.3=-\r\nName 3=Halle\r\nIP-Adresse 3=127.0.6.3\r\nist_AP 3=Wahr\r\n'
} >"$settings"
chmod 600 "$settings"

# ---- Three simulated access points and the exporter ----
mkfifo "$tmp/control"
"$SENVARO_APSIM_BIN" --addresses 127.0.6.1-127.0.6.3 --user technik --password "$password" --stations 4 \
  --control-stdin <"$tmp/control" >"$tmp/sim.log" 2>&1 &
pids+=($!)
exec 3>"$tmp/control"
wait_for 10 grep -q listening "$tmp/sim.log" || fail "simulator: $(cat "$tmp/sim.log")"

mkdir "$tmp/textfile"
chmod 644 "$settings" # readable by others: a warning, but it runs
"$exe" --settings "$settings" --listen 127.0.0.1:0 --textfile "$tmp/textfile" >"$tmp/exp.out" 2>"$tmp/exp.err" &
pids+=($!)
wait_for 10 grep -q '/metrics auf 127.0.0.1:' "$tmp/exp.err" || fail "exporter did not start: $(cat "$tmp/exp.err")"
grep -q 'Warnung: .* ist für alle lesbar' "$tmp/exp.err" || fail "no warning about the readable settings file"
port="$(sed -n 's|.*/metrics auf 127.0.0.1:\([0-9]*\)$|\1|p' "$tmp/exp.err")"
metrics="http://127.0.0.1:$port/metrics"
start_prometheus "$port"

# ---- Options and settings files that stop it (while the logins go on) ----
status=0
"$exe" --settings "$settings" --listen nonsense >/dev/null 2>"$tmp/err" || status=$?
[ "$status" -eq 2 ] && grep -q -- '--listen erwartet ADRESSE:PORT' "$tmp/err" || fail "bad --listen: status $status"
status=0
"$exe" >/dev/null 2>"$tmp/err" || status=$?
[ "$status" -eq 2 ] && grep -q -- '--settings DATEI fehlt' "$tmp/err" || fail "no --settings: status $status"
# No access point named: an empty address, an empty file, junk, a file without [Server] IP. The
# built-in default address is never tried: the exporter stops before it logs any access point.
printf '[Server]\r\nIP=\r\n' >"$tmp/none.ini"
: >"$tmp/empty.ini"
head -c 3000 /dev/urandom >"$tmp/junk.ini"
printf '[User]\r\nName=technik\r\n' >"$tmp/noserver.ini"
for f in none empty junk noserver; do
  chmod 600 "$tmp/$f.ini"
  status=0
  "$exe" --settings "$tmp/$f.ini" >/dev/null 2>"$tmp/err" || status=$?
  [ "$status" -eq 3 ] && grep -q 'nennt keinen Access Point' "$tmp/err" && ! grep -q 'AP ' "$tmp/err" ||
    fail "no access point in $f.ini: status $status, $(cat "$tmp/err")"
done

headers="$(curl -sS -D - -o "$tmp/scrape" "$metrics")"
grep -qi '^content-type: text/plain; version=0.0.4; charset=utf-8' <<<"$headers" || fail "content type: $headers"
curl -sS "http://127.0.0.1:$port/" | grep -q 'href="/metrics"' || fail "/ does not link to /metrics"

# ---- Prometheus (started above) ----
# query PROMQL: "ap=value" lines, sorted. Read from the answer's JSON by grep and awk, one result a line (its metric's labels hold no
# "}"): a Python start per query costs seconds on a loaded machine, and the queries are polled.
query() {
  curl -sS -G "$api" --data-urlencode "query=$1" | grep -o '"metric":{[^}]*},"value":\[[^]]*\]' |
    awk '{ ap = ""; if (match($0, /"ap":"[^"]*"/)) ap = substr($0, RSTART + 6, RLENGTH - 7)
           v = $0; sub(/.*,"/, "", v); sub(/"\]$/, "", v); print ap "=" v }' | sort
}
expect() { # PROMQL EXPECTED
  [ "$(query "$1" 2>/dev/null)" = "$2" ]
}
all_up=$'127.0.6.1=1\n127.0.6.2=1\n127.0.6.3=1'
# scraped LINE...: the exporter's own exposition holds each line (cheaper to poll than a query).
scraped() {
  curl -sS "$metrics" >"$tmp/polled" || return 1
  local line
  for line in "$@"; do grep -qxF "$line" "$tmp/polled" || return 1; done
}
# The known station's maker is looked up after its first reply; once the exporter itself
# shows it, 127.0.6.2 falls silent, and Prometheus is asked about the stations, names and
# makers during the 10 s the exporter waits before it calls that access point down (the
# last reply's series stay until then; Prometheus scrapes every 250 ms).
# all_known: the exporter's own exposition shows the three up and, where ieee-data is
# installed, the known station on 127.0.6.2 with its maker.
all_known() {
  scraped 'senvaro_up{ap="127.0.6.1"} 1' 'senvaro_up{ap="127.0.6.2"} 1' 'senvaro_up{ap="127.0.6.3"} 1' &&
    { [ ! -f /usr/share/ieee-data/oui.csv ] ||
      grep '^senvaro_station_info{' "$tmp/polled" | grep -F 'ap="127.0.6.2"' | grep -F 'name="Kasse \"vorne\""' |
      grep -qF 'vendor="Apple, Inc."'; }
}
logged_in() { # from the exporter's log, read by the shell itself: cheaper to poll than its exposition
  local log a
  read -r -d '' log <"$tmp/exp.err" || true
  for a in 1 2 3; do [[ $'\n'"$log"$'\n' == *$'\n'"AP 127.0.6.$a: angemeldet"$'\n'* ]] || return 1; done
}
wait_for 20 logged_in || fail "the exporter did not log in: $(cat "$tmp/exp.err")"
wait_for 10 all_known || fail "the exporter: $(grep -e senvaro_up -e 'ap="127.0.6.2".*Kasse' "$tmp/polled")"
echo "silent 127.0.6.2" >&3
silent_at=${EPOCHREALTIME/./} # microseconds
wait_for 8 expect senvaro_up "$all_up" || fail "senvaro_up: $(query senvaro_up); $(tail -5 "$tmp/prom.log")"
wait_for 8 expect senvaro_stations $'127.0.6.1=4\n127.0.6.2=4\n127.0.6.3=4' ||
  fail "senvaro_stations: $(query senvaro_stations)"
wait_for 5 expect 'count by (ap) (senvaro_station_receive_signal_ratio >= 0 <= 1)' \
  $'127.0.6.1=4\n127.0.6.2=4\n127.0.6.3=4' || fail "signal ratios: $(query senvaro_station_receive_signal_ratio)"
# The known station's name, with its quotes, arrives in Prometheus as written.
wait_for 5 expect 'senvaro_station_info{name="Kasse \"vorne\"",mode!=""}' '127.0.6.2=1' ||
  fail "known station's name: $(query 'senvaro_station_info{ap="127.0.6.2"}')"
# Makers from Debian's ieee-data: Apple for that station, none for each AP's private third one.
if [ -f /usr/share/ieee-data/oui.csv ]; then
  wait_for 5 expect 'senvaro_station_info{name="Kasse \"vorne\"",vendor="Apple, Inc."}' '127.0.6.2=1' ||
    fail "vendor: $(query 'senvaro_station_info{ap="127.0.6.2"}')"
  expect 'senvaro_station_info{vendor="private Adresse"}' "$all_up" || fail "private: $(query senvaro_station_info)"
fi
lint() { # FILE: promtool's verdict; 3 is lint remarks only, and the one expected is the rate's
  # unit, named as the Wi-Fi exporters do.
  local status=0 log="$tmp/$(basename "$1").lint"
  promtool check metrics <"$1" >"$log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || { [ "$status" -eq 3 ] && ! grep -v 'bits_per_second use base unit' "$log" | grep -q .; } ||
    fail "promtool check metrics $1 (status $status): $(cat "$log")"
}
# The exporter gives an access point up 10 s after the unanswered poll at the soonest: asked
# only from shortly before then.
left=$((9500000 - (${EPOCHREALTIME/./} - silent_at)))
[ "$left" -le 0 ] || pause "$((left / 1000000)).$(printf '%06d' $((left % 1000000)))"
wait_for 20 scraped 'senvaro_up{ap="127.0.6.2"} 0' || fail "after silent, the exporter: $(grep senvaro_up "$tmp/polled")"
# ---- Exposition and text file ----
# That exposition is linted while Prometheus is asked.
cp "$tmp/polled" "$tmp/scrape"
lint "$tmp/scrape" &
lint_pid=$!
wait_for 5 expect senvaro_up $'127.0.6.1=1\n127.0.6.2=0\n127.0.6.3=1' || fail "after silent: $(query senvaro_up)"
wait_for 5 expect 'senvaro_polls_total{result="no_answer"} > 0' '127.0.6.2=1' ||
  fail "no-answer count: $(query 'senvaro_polls_total{result="no_answer"}')"
lint "$tmp/textfile/senvaro.prom"
wait "$lint_pid" || exit 1
grep -q '^senvaro_up{ap="127.0.6.2"} 0$' "$tmp/textfile/senvaro.prom" || fail "the text file is not updated"
[ "$(ls "$tmp/textfile")" = senvaro.prom ] || fail "text file folder: $(ls "$tmp/textfile")"

# ---- Log: one line per change, never the password ----
grep -qF "$password" "$tmp/exp.err" "$tmp/exp.out" "$tmp/scrape" && fail "the password appears in the output"
for line in 'AP 127.0.6.1: angemeldet' 'AP 127.0.6.2: angemeldet' 'AP 127.0.6.2: keine Antwort'; do
  [ "$(grep -cx "$line" "$tmp/exp.err")" -eq 1 ] || fail "\"$line\" not logged exactly once: $(cat "$tmp/exp.err")"
done
wait "$checks_pid" || exit 1
echo "tst_exporter_e2e.sh: passed"
