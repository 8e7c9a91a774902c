// Monitoring mixin for senvaro-exporter: alert rules (prometheusAlerts) and a Grafana
// dashboard (grafanaDashboards), in plain jsonnet. mixin/build.sh renders them.
(import 'config.libsonnet') +
(import 'alerts.libsonnet') +
(import 'dashboards.libsonnet')
