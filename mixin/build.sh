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

{
  echo '# Generated from mixin/ by mixin/build.sh: edit the jsonnet there, not this file.'
  "$jsonnet" -J "$here" -S -e \
    'std.manifestYamlDoc((import "mixin.libsonnet").prometheusAlerts, quote_keys=false)'
} >"$tmp/prometheus_alerts.yaml"
"$jsonnet" -J "$here" -m "$tmp" -e '(import "mixin.libsonnet").grafanaDashboards' >/dev/null

mv "$tmp/senvaro.json" "$out/dashboards_out/senvaro.json"
mv "$tmp/prometheus_alerts.yaml" "$out/prometheus_alerts.yaml"
if $ship; then
  cp "$out/prometheus_alerts.yaml" "$here/../resources/linux/senvaro-exporter.rules.yml"
fi
