#!/usr/bin/env bash
# The monitoring mixin: as the build rendered it with jsonnet, the shipped alert rules are its rendering
# and pass their unit test, every alert is tested firing and silent and has its section in
# the manual page; then a real Prometheus on loopback scrapes the exporter watching two
# simulated access points, evaluates the rules without error, and every query of the
# dashboard finds series. Runs inside a private network namespace (the simulator binds
# port 23). Needs SENVARO_EXPORTER_BIN, SENVARO_APSIM_BIN, SENVARO_SOURCE_DIR and SENVARO_MIXIN_DIR
# (the build's rendering).
set -euo pipefail

src="$SENVARO_SOURCE_DIR"
res="$src/resources/linux"
source "$(dirname "$0")/shellsupport.sh"

# The rules' unit test takes seconds of CPU: it starts first and runs beside the rest, its
# outcome collected at the end. One thread and a quarter of Go's collections: a second of
# CPU less, for a little more memory; at a lower priority, since the tests beside this one
# wait on logins and time-outs that take their time anyway.
(cd "$res" && GOMAXPROCS=1 GOGC=400 nice -n 10 promtool test rules senvaro-exporter.rules.test.yml >"$tmp/rules.log" 2>&1) &
rules_test=$!
pids+=("$rules_test")

# ---- Two simulated access points, the exporter, Prometheus ----
# Started first: they come up (the logins take seconds) while the static checks run.
password='g3h31m'
settings="$tmp/SENVARO.INI"
{
  printf '[Server]\r\nIP=127.0.12.1\r\n[User]\r\nName=technik\r\nPasswort=%s\r\n' "$password"
  printf 'Polling Zyklus in Sekunden=1\r\n[bekannte MAC-Adressen]\r\nAnzahl=2\r\n'
  printf 'MAC-Adr.1=F0:18:98:0C:02:01\r\nName 1=Kasse\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n'
  printf 'MAC-Adr.2=-\r\nName 2=Lager\r\nIP-Adresse 2=127.0.12.2\r\nist_AP 2=Wahr\r\n'
} >"$settings"
chmod 600 "$settings"
"$SENVARO_APSIM_BIN" --addresses 127.0.12.1-127.0.12.2 --user technik --password "$password" --stations 3 \
  >"$tmp/sim.log" 2>&1 &
pids+=($!)
wait_for 10 grep -q listening "$tmp/sim.log" || fail "simulator: $(cat "$tmp/sim.log")"
port="$(free_port)"
"$SENVARO_EXPORTER_BIN" --settings "$settings" --listen "127.0.0.1:$port" >"$tmp/exp.out" 2>"$tmp/exp.err" &
pids+=($!)
start_prometheus "$port" "$res/senvaro-exporter.rules.yml"

# ---- Rendering, rules, runbook ----
# The build renders the mixin with mixin/build.sh (into SENVARO_MIXIN_DIR); a rendering
# that fails stops the build.
rendered="$SENVARO_MIXIN_DIR/prometheus_alerts.yaml"
dashboard="$SENVARO_MIXIN_DIR/dashboards_out/senvaro.json"
[ -f "$rendered" ] && [ -f "$dashboard" ] || fail "the build has not rendered the mixin into $SENVARO_MIXIN_DIR"
cmp -s "$rendered" "$res/senvaro-exporter.rules.yml" ||
  fail "the shipped rules are not the mixin's rendering (mixin/build.sh --ship):
$(diff "$rendered" "$res/senvaro-exporter.rules.yml" | head -20)"
promtool check rules "$res/senvaro-exporter.rules.yml" >/dev/null || fail "promtool check rules"

wait_for 10 grep -q "/metrics auf 127.0.0.1:$port" "$tmp/exp.err" || fail "exporter did not start: $(cat "$tmp/exp.err")"

# ---- Each alert's runbook and unit test; the rules and the dashboard against live data ----
# Every query is asked until it returns series (at most 40 s); then every one that did not
# is named, with the metrics it uses that Prometheus has never seen. One Python for all, and
# Debian's (with python3-yaml), not whatever python3 comes first on the PATH (a pyenv shim
# costs half a second of CPU per start).
/usr/bin/python3 - "http://127.0.0.1:$prom_port" "$dashboard" "$rendered" "$res/senvaro-exporter.1.in" \
  "$res/senvaro-exporter.rules.test.yml" <<'PY' ||
import json, re, sys, time, urllib.parse, urllib.request, yaml

api, dashboard = sys.argv[1], json.load(open(sys.argv[2]))
errors = []

# Each alert of the rendering has its section in the manual page's ALERTS and is tested
# both silent and firing.
rules = [r for g in yaml.safe_load(open(sys.argv[3], encoding="utf-8"))["groups"] for r in g["rules"] if "alert" in r]
page = open(sys.argv[4], encoding="utf-8").read()
alerts_section = page.split(".SH ALERTS\n", 1)[1].split("\n.SH ", 1)[0] if ".SH ALERTS\n" in page else ""
sections = set(re.findall(r"^\.SS (\S+)$", alerts_section, re.M))
# The unit test's cases: the alert name, then whether any alert is expected.
cases = re.findall(r"alertname: (\w+)\n\s+exp_alerts:(.*)", open(sys.argv[5], encoding="utf-8").read())
for r in rules:
    name = r["alert"]
    url = r["annotations"].get("runbook_url", "")
    if not url.endswith("/resources/linux/senvaro-exporter.1.in#" + name) or name not in sections:
        errors.append("%s: runbook_url %s has no section .SS %s in the manual page's ALERTS" % (name, url, name))
    kinds = {c[1].strip() == "[]" for c in cases if c[0] == name}
    if kinds != {True, False}:
        errors.append("%s: the unit test does not expect it both silent and firing" % name)

aps = ["127.0.12.1", "127.0.12.2"]

def get(path, **params):
    url = api + path + ("?" + urllib.parse.urlencode(params, doseq=True) if params else "")
    try:
        with urllib.request.urlopen(url, timeout=5) as r:
            return json.load(r)
    except OSError:
        return None

def until(seconds, check):
    end = time.time() + seconds
    while True:
        result = check()
        if result or time.time() > end:
            return result
        time.sleep(0.25)

def both_up():
    r = get("/api/v1/query", query="count(senvaro_up == 1) == 2")
    return r and r["data"]["result"]
if not until(20, both_up):
    errors.append("the two access points never answered in Prometheus")
    print("\n".join(errors))
    sys.exit(1)

# The access point variable, as Grafana asks for it.
variables = {v["name"]: v for v in dashboard["templating"]["list"]}
m = re.fullmatch(r"label_values\((.+), (\w+)\)", variables["ap"]["query"]["query"])
values = get("/api/v1/label/%s/values" % m.group(2), **{"match[]": m.group(1)})
if variables["datasource"]["type"] != "datasource" or sorted(values["data"]) != aps:
    errors.append("variables: datasource %s, ap values %s" % (variables["datasource"], values["data"]))

# Grafana's rendering of "All" for a regex match, and a rate interval the 250 ms scrapes fill.
ap_regex = "(" + "|".join(re.escape(a).replace("\\", "\\\\") for a in aps) + ")"
def panels(items):
    for p in items:
        yield p
        yield from panels(p.get("panels", []))
queries = []
for p in panels(dashboard["panels"]):
    for t in p.get("targets", []):
        expr = t["expr"].replace("$ap", ap_regex).replace("$__rate_interval", "5s")
        if re.search(r"\$[A-Za-z_{]", expr) or t["datasource"]["uid"] != "${datasource}":
            errors.append("%s: variables left or another data source: %s" % (p["title"], t))
        queries.append((p["title"], t["refId"], expr))
# Where the legend shows a station's name, the known station must appear under it.
named = {"Signal je Station", "Anwesenheit"}

def missing():
    left = []
    for title, ref, expr in queries:
        r = get("/api/v1/query", query=expr)
        series = r["data"]["result"] if r and r.get("status") == "success" else []
        if not series or (title in named and not any(s["metric"].get("name") == "Kasse" for s in series)):
            left.append((title, ref, expr, r))
    return left

end = time.time() + 40
while True:
    left = missing()
    if not left or time.time() > end:
        break
    time.sleep(0.5)
names = set(get("/api/v1/label/__name__/values")["data"])
for title, ref, expr, r in left:
    unseen = sorted(n for n in set(re.findall(r"\b(?:senvaro_\w+|process_\w+|up)\b", expr)) if n not in names)
    if unseen:
        why = "no series, never seen: " + ", ".join(unseen)
    elif r and r.get("status") == "success" and r["data"]["result"]:
        why = "no series named Kasse"
    else:
        why = "no series, answer: %s" % json.dumps(r)[:300]
    errors.append("panel %s/%s: %s\n    %s" % (title, ref, why, expr))

# Every rule of the shipped file evaluates without error on the live series.
def rules_state():
    r = get("/api/v1/rules")
    if not r:
        return None
    rules = [x for g in r["data"]["groups"] for x in g["rules"]]
    if not rules or any(x["lastEvaluation"].startswith("0001") for x in rules):
        return None
    return rules
rules = until(10, rules_state) or []
bad = ["%s: %s" % (x.get("name"), x.get("lastError")) for x in rules if x["health"] != "ok"]
if not rules or bad:
    errors.append("rules not evaluated cleanly: %s" % (bad or "none loaded"))

print("\n".join(errors))
print("%d of %d dashboard queries found series" % (len(queries) - len(left), len(queries)))
sys.exit(1 if errors else 0)
PY
  fail "rules and manual page, or dashboard queries (above); Prometheus: $(tail -3 "$tmp/prom.log")"
wait "$rules_test" || fail "promtool test rules: $(cat "$tmp/rules.log")"
echo "tst_mixin.sh: passed"
