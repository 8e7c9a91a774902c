#!/usr/bin/env bash
# senvaro-exporter as an admin runs it: the unit checked by its own tool (the alert rules
# are tst_mixin.sh's), the options and the settings file's checks, then a real Prometheus on loopback
# scraping the exporter that watches three simulated access points, one of which never says
# a word (the same access point falling silent after its login, with the 10 s the exporter waits
# then, is tst_exporter's on the stepped clock). Runs inside a private network namespace (the simulator binds port 23).
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
echo "silent 127.0.6.3" >&3
wait_for 10 grep -q "ok: silent 127.0.6.3" "$tmp/sim.log" || fail "simulator: $(cat "$tmp/sim.log")"

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

# ---- How the checks ask ----
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
up=$'127.0.6.1=1\n127.0.6.2=1\n127.0.6.3=0'
answering=$'127.0.6.1=1\n127.0.6.2=1'
# scraped LINE...: the exporter's own exposition holds each line (cheaper to poll than a query).
scraped() {
  curl -sS "$metrics" >"$tmp/polled" || return 1
  local line
  for line in "$@"; do grep -qxF "$line" "$tmp/polled" || return 1; done
}
# all_known: the exporter's own exposition shows two up and the silent one down and, where
# ieee-data is installed, the known station on 127.0.6.2 with its maker (looked up after
# its first reply).
all_known() {
  scraped 'senvaro_up{ap="127.0.6.1"} 1' 'senvaro_up{ap="127.0.6.2"} 1' 'senvaro_up{ap="127.0.6.3"} 0' &&
    { [ ! -f /usr/share/ieee-data/oui.csv ] ||
      grep '^senvaro_station_info{' "$tmp/polled" | grep -F 'ap="127.0.6.2"' | grep -F 'name="Kasse \"vorne\""' |
      grep -qF 'vendor="Apple, Inc."'; }
}
logged() { # from the exporter's log, read by the shell itself: cheaper to poll than its exposition
  local log line
  read -r -d '' log <"$tmp/exp.err" || true
  for line in 'AP 127.0.6.1: angemeldet' 'AP 127.0.6.2: angemeldet' 'AP 127.0.6.3: keine Antwort'; do
    [[ $'\n'"$log"$'\n' == *$'\n'"$line"$'\n'* ]] || return 1
  done
}
# The silent one is given up at the end of its login, the others have answered a poll then.
wait_for 20 logged || fail "the exporter did not log in: $(cat "$tmp/exp.err")"
wait_for 10 all_known || fail "the exporter: $(grep -e senvaro_up -e 'ap="127.0.6.2".*Kasse' "$tmp/polled")"
# ---- Exposition and text file ----
# That exposition is linted while Prometheus is asked.
cp "$tmp/polled" "$tmp/scrape"
lint() { # FILE: promtool's verdict; 3 is lint remarks only, and the one expected is the rate's
  # unit, named as the Wi-Fi exporters do.
  local status=0 log="$tmp/$(basename "$1").lint"
  promtool check metrics <"$1" >"$log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || { [ "$status" -eq 3 ] && ! grep -v 'bits_per_second use base unit' "$log" | grep -q .; } ||
    fail "promtool check metrics $1 (status $status): $(cat "$log")"
}
lint "$tmp/scrape" &
lint_pid=$!

# ---- Prometheus (started above) ----
wait_for 8 expect senvaro_up "$up" || fail "senvaro_up: $(query senvaro_up); $(tail -5 "$tmp/prom.log")"
# An access point that is down has no station count at all: an outage is no "no stations".
wait_for 8 expect senvaro_stations $'127.0.6.1=4\n127.0.6.2=4' || fail "senvaro_stations: $(query senvaro_stations)"
wait_for 5 expect 'count by (ap) (senvaro_station_receive_signal_ratio >= 0 <= 1)' $'127.0.6.1=4\n127.0.6.2=4' ||
  fail "signal ratios: $(query senvaro_station_receive_signal_ratio)"
# It is tried again and again, and stays one outage in the log (below).
wait_for 5 expect 'count by (ap) (senvaro_polls_total{result="no_answer"} > 0)' '127.0.6.3=1' ||
  fail "no-answer count: $(query 'senvaro_polls_total{result="no_answer"}')"
# The known station's name, with its quotes, arrives in Prometheus as written.
wait_for 5 expect 'senvaro_station_info{name="Kasse \"vorne\"",mode!=""}' '127.0.6.2=1' ||
  fail "known station's name: $(query 'senvaro_station_info{ap="127.0.6.2"}')"
# Makers from Debian's ieee-data: Apple for that station, none for each AP's private third one.
if [ -f /usr/share/ieee-data/oui.csv ]; then
  wait_for 5 expect 'senvaro_station_info{name="Kasse \"vorne\"",vendor="Apple, Inc."}' '127.0.6.2=1' ||
    fail "vendor: $(query 'senvaro_station_info{ap="127.0.6.2"}')"
  expect 'senvaro_station_info{vendor="private Adresse"}' "$answering" || fail "private: $(query senvaro_station_info)"
fi
wait "$lint_pid" || exit 1
wait_for 5 grep -q '^senvaro_up{ap="127.0.6.3"} 0$' "$tmp/textfile/senvaro.prom" || fail "the text file is not written"
lint "$tmp/textfile/senvaro.prom"
[ "$(ls "$tmp/textfile")" = senvaro.prom ] || fail "text file folder: $(ls "$tmp/textfile")"

# ---- Log: one line per change, never the password ----
grep -qF "$password" "$tmp/exp.err" "$tmp/exp.out" "$tmp/scrape" && fail "the password appears in the output"
for line in 'AP 127.0.6.1: angemeldet' 'AP 127.0.6.2: angemeldet' 'AP 127.0.6.3: keine Antwort'; do
  [ "$(grep -cx "$line" "$tmp/exp.err")" -eq 1 ] || fail "\"$line\" not logged exactly once: $(cat "$tmp/exp.err")"
done
! grep -q 'AP 127.0.6.3: angemeldet' "$tmp/exp.err" || fail "the silent access point logged in: $(cat "$tmp/exp.err")"
wait "$checks_pid" || exit 1
echo "tst_exporter_e2e.sh: passed"
