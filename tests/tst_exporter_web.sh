#!/usr/bin/env bash
# senvaro-exporter's web side next to Debian's node exporter: one web configuration file
# (basic auth, TLS, client certificates) must get the same answers from both, and a file
# the exporter cannot use stops it. Then its own pages, the text-file mode without a port
# and its clean stop. Runs inside a private network namespace (the simulator binds port 23).
# Needs SENVARO_EXPORTER_BIN, SENVARO_APSIM_BIN; uses htpasswd, openssl, curl, ss.
set -euo pipefail

exe="$SENVARO_EXPORTER_BIN"
source "$(dirname "$0")/shellsupport.sh"
cd "$tmp"

# ---- One simulated access point; its first station is a known client with a hostile name ----
printf '[Server]\r\nIP=127.0.11.1\r\n[User]\r\nName=admin\r\nPasswort=admin\r\nPolling Zyklus in Sekunden=1\r\n' >s.ini
printf '[bekannte MAC-Adressen]\r\nAnzahl=1\r\nMAC-Adr.1=00:11:22:33:44:01\r\n' >>s.ini
printf 'Name 1=<script>"&\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n' >>s.ini
chmod 600 s.ini
"$SENVARO_APSIM_BIN" --address 127.0.11.1 --user admin --password admin --stations 2 \
  --macs 00:11:22:33:44:01 >sim.log 2>&1 &
pids+=($!)
wait_for 10 grep -q listening sim.log || fail "simulator: $(cat sim.log)"
# The text-file mode, checked at the end.
mkdir textfile
"$exe" --settings s.ini --textfile textfile >/dev/null 2>textfile.err &
pid=$!
pids+=($pid)

# ---- Certificates, made in the background meanwhile ----
(
  key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
  openssl req -x509 "${key[@]}" -keyout ca.key -out ca.crt -days 2 -subj /CN=senvaro-test-ca 2>/dev/null
  # sign NAME SUBJECT_ALT_NAME USAGE
  sign() {
    openssl req "${key[@]}" -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" 2>/dev/null
    printf 'subjectAltName=%s\nextendedKeyUsage=%s\n' "$2" "$3" >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile "$1.ext" \
      -out "$1.crt" 2>/dev/null
  }
  openssl req -x509 "${key[@]}" -keyout stranger.key -out stranger.crt -days 2 -subj /CN=stranger \
    -addext extendedKeyUsage=clientAuth 2>/dev/null &
  stranger=$!
  sign server IP:127.0.0.1 serverAuth # one after the other: both write the CA's serial file
  sign client DNS:client clientAuth
  wait "$stranger"
) &
certificates=$!
pids+=($certificates)

password='Ge:h31m "pw'
# bcrypt's lowest cost: every wrong password is hashed anew by both exporters.
hash="$(htpasswd -nbBC 4 scraper "$password" | cut -d: -f2)"

# start_both NAME: senvaro-exporter (on every address) and the node exporter, each on a
# port of its own, with the web configuration NAME.yml; sets ours and node to their base
# URLs (scheme from $scheme) and both_pids.
start_both() {
  local p1 p2
  p1="$(free_port)"
  p2="$(free_port)"
  "$exe" --settings s.ini --listen ":$p1" --web.config.file "$1.yml" >/dev/null 2>"$1.err" &
  both_pids=($!)
  prometheus-node-exporter --web.listen-address="127.0.0.1:$p2" --web.config.file="$1.yml" \
    --collector.disable-defaults >/dev/null 2>"$1.node.err" &
  both_pids+=($!)
  pids+=("${both_pids[@]}")
  ours="$scheme://127.0.0.1:$p1"
  node="$scheme://127.0.0.1:$p2"
  wait_for 10 grep -q "/metrics auf :$p1" "$1.err" || fail "$1: $(cat "$1.err")"
  wait_for 10 grep -q 'Listening on' "$1.node.err" || fail "$1, node exporter: $(cat "$1.node.err")"
}
stop_both() { # PID...: the two of one start_both
  kill "$@"
  wait "$@" 2>/dev/null || true
}
code() { # URL [curl options...]: the HTTP status, 000 when no answer came
  local url="$1"
  shift
  curl -s -o /dev/null -w '%{http_code}' --max-time 5 --cacert ca.crt "$@" "$url" || true
}
# same PATH EXPECTED [curl options...]: both exporters answer with EXPECTED.
same() {
  local path="$1" expected="$2" a b
  shift 2
  a="$(code "$ours$path" "$@")"
  b="$(code "$node$path" "$@")"
  [ "$a" = "$b" ] && [ "$a" = "$expected" ] ||
    fail "$path with ${*:-no options}: senvaro-exporter $a, node exporter $b, expected $expected"
}

# ---- Basic auth over plain HTTP ----
cat >plain.yml <<YML
# as the exporter toolkit reads it
basic_auth_users:
  scraper: '$hash'   # htpasswd -nbBC 4
YML
scheme=http
start_both plain
plain_pids=("${both_pids[@]}")
same /metrics 401
same /metrics 401 -u "scraper:wrong"
same /metrics 200 -u "scraper:$password"
same /metrics 401 -u "nobody:$password"
same /nowhere 401
curl -s -D - -o /dev/null "$ours/metrics" | grep -qi '^www-authenticate: Basic' || fail "no WWW-Authenticate: Basic"
# Read for every request: a new password counts at once.
printf 'basic_auth_users:\n  scraper: %s\n' "$(htpasswd -nbBC 4 scraper neu | cut -d: -f2)" >plain.yml
same /metrics 401 -u "scraper:$password"
same /metrics 200 -u "scraper:neu"
plain="$ours"
# Its own pages (below, once its login is through, while the TLS side is checked meanwhile).

# ---- TLS, with and without client certificates ----
wait "$certificates" || fail "the certificates could not be made"
tls() { # CLIENT_AUTH_TYPE
  printf 'tls_server_config:\n  cert_file: server.crt\n  key_file: "server.key"\n' >tls.yml
  [ -z "$1" ] || printf '  client_auth_type: %s\n  client_ca_file: ca.crt\n' "$1" >>tls.yml
  printf 'basic_auth_users:\n  scraper: %s\n' "$hash" >>tls.yml
}
tls ""
scheme=https
start_both tls
same /metrics 200 -u "scraper:$password"
same /metrics 401
[ "$(code "${ours/https/http}/metrics" -u "scraper:$password")" != 200 ] || fail "plain HTTP answered on the TLS port"
[ "$(code "${node/https/http}/metrics" -u "scraper:$password")" != 200 ] || fail "node exporter: plain HTTP answered"
# The file is read for every connection: each rule takes effect without a restart. 200 or
# 000 (no answer) for no certificate, one from the CA and a self-signed one.
for rule in 'RequestClientCert 200 200 200' 'RequireAnyClientCert 000 200 200' \
  'VerifyClientCertIfGiven 200 200 000' 'RequireAndVerifyClientCert 000 200 000'; do
  read -r type none signed stranger <<<"$rule"
  tls "$type"
  same /metrics "$none" -u "scraper:$password"
  same /metrics "$signed" -u "scraper:$password" --cert client.crt --key client.key
  same /metrics "$stranger" -u "scraper:$password" --cert stranger.crt --key stranger.key
done
stop_both "${both_pids[@]}"

# ---- Its own pages, on IPv4 and IPv6 (the plain exporter of above) ----
ours="$plain"
grep -qF -- "$password" plain.err && fail "the password was logged"
auth=(-u scraper:neu)
[ "$(curl -s "${auth[@]}" "$ours/-/healthy")" = OK ] || fail "/-/healthy"
[ "$(code "${ours/127.0.0.1/[::1]}/-/healthy" -g "${auth[@]}")" = 200 ] || fail "--listen :PORT does not answer on ::1"
page() { curl -s "${auth[@]}" "$ours/" >page.html && grep -q '00:11:22:33:44:01' page.html; }
wait_for 20 page || fail "the station never showed on /: $(cat page.html)"
grep -qF '<td>&lt;script&gt;&quot;&amp;</td>' page.html || fail "the name is not escaped: $(cat page.html)"
grep -q '<script' page.html && fail "the page holds markup from a name: $(cat page.html)"
grep -q 'href="/metrics"' page.html || fail "/ does not link to /metrics"
curl -s "${auth[@]}" "$ours/metrics" >scrape
grep -Eq '^senvaro_exporter_build_info\{version="[^"]+",revision="([0-9a-f]{7,}|unknown)",qt_version="6\.[0-9.]+"\} 1$' scrape ||
  fail "build info: $(grep build_info scrape)"
for family in process_cpu_seconds_total process_resident_memory_bytes process_start_time_seconds \
  process_open_fds process_max_fds; do
  [ "$(grep -c "^# TYPE $family " scrape)" = 1 ] && grep -Eq "^$family [0-9.e+]+$" scrape || fail "$family"
done
stop_both "${plain_pids[@]}"

# ---- Files it cannot use stop it at start, as they stop the node exporter ----
refused() { # KEY: both refuse web.yml; ours with status 5 and a German line naming KEY
  local status=0
  "$exe" --settings s.ini --listen 127.0.0.1:0 --web.config.file web.yml >/dev/null 2>refused.err || status=$?
  [ "$status" = 5 ] && grep -qF "\"$1\"" refused.err || fail "web.yml naming $1: status $status, $(cat refused.err)"
  grep -qE 'Web-Konfiguration .*web.yml: Zeile [0-9]+: ' refused.err || fail "message: $(cat refused.err)"
  status=0
  timeout 10 prometheus-node-exporter --web.listen-address=127.0.0.1:0 --web.config.file=web.yml \
    --collector.disable-defaults >/dev/null 2>&1 || status=$?
  [ "$status" != 0 ] && [ "$status" != 124 ] || fail "the node exporter took web.yml naming $1 (status $status)"
}
printf 'basic_auth_users:\n  scraper: $2y$10$tooshort\n' >web.yml
refused basic_auth_users.scraper
printf 'tls_server_config:\n  cert_file: server.crt\n  key_file: server.key\n  cert_fil: x\n' >web.yml
refused tls_server_config.cert_fil
grep -q 'unbekannter Schlüssel' refused.err || fail "unknown key: $(cat refused.err)"

# ---- Text-file mode: no port; a clean stop leaves every access point down ----
# (started at the beginning: its login goes on while the web side is checked)
wait_for 20 grep -q '^senvaro_up{ap="127.0.11.1"} 1$' textfile/senvaro.prom || fail "text file: $(cat textfile.err)"
grep -q 'kein Port' textfile.err || fail "start line: $(cat textfile.err)"
ss -ltnpH | grep -q "pid=$pid," && fail "text-file mode listens: $(ss -ltnp)"
[ "$(code http://127.0.0.1:9847/metrics)" = 000 ] || fail "something answers on the default port"
grep -q '^senvaro_station_' textfile/senvaro.prom || fail "no station series while up"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" = 0 ] || fail "SIGTERM: exit status $status, $(cat textfile.err)"
grep -qx 'senvaro_up{ap="127.0.11.1"} 0' textfile/senvaro.prom || fail "after SIGTERM: $(cat textfile/senvaro.prom)"
grep -q '^senvaro_station_.*mac_address=' textfile/senvaro.prom && fail "station series after the stop"
[ "$(ls textfile)" = senvaro.prom ] || fail "text file folder: $(ls textfile)"
echo "tst_exporter_web.sh: passed"
