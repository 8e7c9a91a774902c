#!/usr/bin/env bash
# Senvaro beside a simulated access point on 127.0.0.1 port 23 (./run.sh --demo).
# The tool runs from its own folder with a settings file whose address and
# credentials match the simulator, so stations, bars and the chart show at once.
# Stations leave and return every 5 polls and their levels swing over a minute, so
# the history page shows moving lines and events soon. The last station stays away for
# 40 polls (well over the 60 s grace period) and the first one's level fades below 20 %
# for 5 polls, so desktop alerts ("Schwaches Signal", "Station getrennt") appear within
# the first two minutes. "Werkstatt" is on the watch list: its departure ("Station gegangen",
# after the grace period) and return ("Station angekommen") show within two minutes.
set -euo pipefail
source "$(dirname "$0")/common.sh"

DEMO_DIR="$BUILD_DIR/demo"
APSIM="$BUILD_DIR/tools/apsim/senvaro-apsim"
DEMO_USER=admin
DEMO_PASSWORD=demo

# Port 23 needs root; anyone else runs the demo in a private network namespace.
if [ "${SENVARO_DEMO_INSIDE:-}" != 1 ] && [ "$(id -u)" -ne 0 ]; then
  export SENVARO_DEMO_INSIDE=1
  senvaro_in_netns "$0" "$@"
  exit $?
fi

mkdir -p "$DEMO_DIR"
cp -f "$BUILD_DIR/senvaro" "$DEMO_DIR/senvaro"

# Written afresh on every run, so a demo always starts matching the simulator.
name15() { printf '%-15.15s' "$1"; }
{
  printf 'Diese Ini-Datei wurde am %s von \r\n' "$(date +%d.%m.%Y)"
  printf "'senvaro.exe' automatisch generiert.\r\n"
  printf '\r\n'
  printf '[PrgWindow]\r\nWindowState=0\r\nleft=1200\r\ntop=900\r\nheight=6900\r\nwidth=7400\r\n'
  printf '[Server]\r\nIP=127.0.0.1\r\n'
  printf '[User]\r\nName=%s\r\nPasswort=%s\r\n' "$DEMO_USER" "$DEMO_PASSWORD"
  printf 'Polling Zyklus in Sekunden=2\r\nBenutzername speichern=1\r\nPasswort speichern=1\r\n'
  printf 'Passwort anzeigen=0\r\n'
  printf '[bekannte MAC-Adressen]\r\nnur bekannte Clients=0\r\nAnzahl=3\r\n'
  printf 'MAC-Adr.1=F0:18:98:00:00:01\r\nName 1=%s\r\nIP-Adresse 1=127.0.0.1\r\nist_AP 1=Wahr\r\n' \
    "$(name15 Demo-AP)"
  printf 'MAC-Adr.2=AC:ED:5C:00:00:02\r\nName 2=%s\r\nIP-Adresse 2=127.0.0.2\r\nist_AP 2=Falsch\r\n' \
    "$(name15 Laptop)"
  printf 'MAC-Adr.3=02:11:A0:00:00:03\r\nName 3=%s\r\nIP-Adresse 3=127.0.0.3\r\nist_AP 3=Falsch\r\n' \
    "$(name15 Werkstatt)"
  printf '[Beobachtet]\r\n02:11:A0:00:00:03=1\r\n'
} >"$DEMO_DIR/SENVARO.INI"

"$APSIM" --address 127.0.0.1 --port 23 --user "$DEMO_USER" --password "$DEMO_PASSWORD" \
  --stations 3 --come-and-go 5 --drift 30 --away 40 --fade 5 >"$DEMO_DIR/apsim.log" 2>&1 &
APSIM_PID=$!
trap 'kill "$APSIM_PID" 2>/dev/null || true; wait "$APSIM_PID" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
  grep -q listening "$DEMO_DIR/apsim.log" 2>/dev/null && break
  if ! kill -0 "$APSIM_PID" 2>/dev/null; then
    echo "The simulated access point did not start:" >&2
    cat "$DEMO_DIR/apsim.log" >&2
    exit 1
  fi
  sleep 0.1
done

echo "Simulated access point on 127.0.0.1:23 (user $DEMO_USER, password $DEMO_PASSWORD)."
echo "Press LOGIN in Senvaro. Simulator log: $DEMO_DIR/apsim.log"
status=0
(cd "$DEMO_DIR" && ./senvaro "$@") || status=$?
exit "$status"
