#!/usr/bin/env bash
# Renders the mixin with jsonnet (Debian's package jsonnet):
#   mixin/build.sh [OUTDIR]  writes OUTDIR/dashboards_out/senvaro.json and
#                            OUTDIR/prometheus_alerts.yaml (OUTDIR defaults to mixin/)
#   mixin/build.sh --ship    the same into mixin/, then copies the rules over the shipped
#                            resources/linux/senvaro-exporter.rules.yml
# JSONNET names another jsonnet program. A test checks that the shipped rules are these.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
jsonnet="${JSONNET:-jsonnet}"
ship=false
out="$here"
case "${1:-}" in
--ship) ship=true ;;
"") ;;
*) out="$1" ;;
esac

mkdir -p "$out/dashboards_out"
tmp="$(mktemp -d "$out/.build.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

# The rules as YAML in the form of jsonnet's std.manifestYamlDoc(..., quote_keys=false),
# written from jsonnet's JSON by python3: the C++ jsonnet takes many seconds of CPU for
# manifestYamlDoc on these rules, its JSON a fraction of one.
"$jsonnet" -J "$here" -e '(import "mixin.libsonnet").prometheusAlerts' >"$tmp/prometheus_alerts.json"
{
  echo '# Generated from mixin/ by mixin/build.sh: edit the jsonnet there, not this file.'
  python3 - "$tmp/prometheus_alerts.json" <<'PY'
import json, re, sys

sys.stdout.reconfigure(encoding="utf-8")

RESERVED = {"true", "false", "yes", "no", "on", "off", "y", "n", "null", "~"}

def esc(s):
    out = ['"']
    for c in s:
        o = ord(c)
        if c == '"': out.append('\\"')
        elif c == '\\': out.append('\\\\')
        elif c == '\b': out.append('\\b')
        elif c == '\f': out.append('\\f')
        elif c == '\n': out.append('\\n')
        elif c == '\r': out.append('\\r')
        elif c == '\t': out.append('\\t')
        elif o < 0x20 or 0x7f <= o <= 0x9f: out.append('\\u%04x' % o)
        else: out.append(c)
    out.append('"')
    return ''.join(out)

def key(k):
    if re.fullmatch(r'[A-Za-z_][A-Za-z0-9_\-./]*', k) and k.lower() not in RESERVED:
        return k
    return esc(k)

def aux(v, ind):
    if v is True: return 'true'
    if v is False: return 'false'
    if v is None: return 'null'
    if isinstance(v, str):
        if v == '': return '""'
        if v.endswith('\n'):
            return ('\n' + ind + '  ').join(['|'] + v.split('\n')[:-1])
        return esc(v)
    if isinstance(v, (int, float)):
        return str(v) if float(v).is_integer() and abs(v) < 1e15 else '%.17g' % v
    if isinstance(v, list):
        if not v: return '[]'
        parts = []
        for x in v:
            if isinstance(x, list) and x: ni = ind + '  '; sp = '\n' + ni
            elif isinstance(x, dict) and x: ni = ind + '  '; sp = ' '
            else: ni = ind; sp = ' '
            parts.append('-' + sp + aux(x, ni))
        return ('\n' + ind).join(parts)
    if not v: return '{}'
    lines = []
    for k in sorted(v):
        x = v[k]
        if isinstance(x, list) and x: ni = ind; sp = '\n' + ni
        elif isinstance(x, dict) and x: ni = ind + '  '; sp = '\n' + ni
        else: ni = ind; sp = ' '
        lines.append(key(k) + ':' + sp + aux(x, ni))
    return ('\n' + ind).join(lines)

print(aux(json.load(open(sys.argv[1], encoding="utf-8")), ""))
PY
} >"$tmp/prometheus_alerts.yaml"
"$jsonnet" -J "$here" -m "$tmp" -e '(import "mixin.libsonnet").grafanaDashboards' >/dev/null

mv "$tmp/senvaro.json" "$out/dashboards_out/senvaro.json"
mv "$tmp/prometheus_alerts.yaml" "$out/prometheus_alerts.yaml"
if $ship; then
  cp "$out/prometheus_alerts.yaml" "$here/../resources/linux/senvaro-exporter.rules.yml"
fi
