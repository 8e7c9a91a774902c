// The Grafana dashboard "Senvaro", as plain dashboard JSON: access points, their stations
// and the exporter itself. Every query filters by the variable ap where its series has the
// label; presence and roams are per station over all access points.
{
  local c = $._config,

  local sel(metric, matchers=[]) =
    local m = std.filter(function(x) x != '', [c.senvaroSelector] + matchers);
    if m == [] then metric else metric + '{' + std.join(',', m) + '}',
  local ap(metric, matchers=[]) = sel(metric, ['ap=~"$ap"'] + matchers),
  local exporter(metric) = metric + '{' + c.exporterSelector + '}',

  // A station's name: its current one while associated, else the one it had within a
  // day (senvaro_station_info exists only while associated); one per address, so a join
  // on it stays many-to-one.
  local info = sel('senvaro_station_info'),
  local names =
    '(max by (mac_address, name) (%s) or on (mac_address) topk by (mac_address) (1, max by (mac_address, name) (last_over_time(%s[1d]))))'
    % [info, info],
  // expr with its stations' names; a station without one (never seen since the exporter
  // started) is named by its address.
  local withName(expr) =
    '(%s) * on (mac_address) group_left (name) %s or on (mac_address) label_replace(%s, "name", "$1", "mac_address", "(.*)")'
    % [expr, names, expr],

  local datasource = { type: 'prometheus', uid: '${datasource}' },
  local target(expr, legend, instant=false) = {
    datasource: datasource,
    expr: expr,
    legendFormat: legend,
    [if instant then 'instant']: true,
    [if instant then 'range']: false,
  },
  local mapping(values) = {
    type: 'value',
    options: {
      [v[0]]: { text: v[1], color: v[2], index: i }
      for i in std.range(0, std.length(values) - 1)
      for v in [values[i]]
    },
  },

  local panel(type, title, description, targets, unit='short', extra={}) = {
    type: type,
    title: title,
    description: description,
    datasource: datasource,
    targets: [t { refId: std.char(std.codepoint('A') + i) } for i in std.range(0, std.length(targets) - 1) for t in [targets[i]]],
    fieldConfig: { defaults: { unit: unit }, overrides: [] },
  } + extra,
  local timeseries(title, description, targets, unit='short', extra={}) =
    panel('timeseries', title, description, targets, unit, {
      fieldConfig+: { defaults+: { custom: { fillOpacity: 10, showPoints: 'never' } } },
      options: { legend: { displayMode: 'table', placement: 'right', calcs: ['lastNotNull'] }, tooltip: { mode: 'multi', sort: 'desc' } },
    } + extra),
  local bars(title, description, targets) =
    timeseries(title, description, targets, 'short', {
      fieldConfig+: { defaults+: { custom+: { drawStyle: 'bars', fillOpacity: 80, stacking: { mode: 'normal' } } } },
    }),
  local states(title, description, targets, values) =
    panel('state-timeline', title, description, targets, 'short', {
      fieldConfig+: { defaults+: { mappings: [mapping(values)], color: { mode: 'thresholds' } } },
      options: { showValue: 'never', mergeValues: true, rowHeight: 0.8, legend: { showLegend: false } },
    }),
  local stat(title, description, targets, unit, extra={}) =
    panel('stat', title, description, targets, unit, {
      options: { reduceOptions: { calcs: ['lastNotNull'] }, colorMode: 'none', graphMode: 'none' },
    } + extra),
  local row(title) = { type: 'row', title: title, collapsed: false, panels: [] },

  // Places rows of [panel, width, height] on Grafana's 24-column grid, top to bottom.
  local layout(rows) =
    local heights = [std.foldl(function(h, p) std.max(h, p[2]), r, 1) for r in rows];
    local tops = [std.foldl(function(s, h) s + h, heights[0:i], 0) for i in std.range(0, std.length(rows) - 1)];
    [
      rows[i][j][0] {
        id: 100 * (i + 1) + j,
        gridPos: {
          x: std.foldl(function(s, p) s + p[1], rows[i][0:j], 0),
          y: tops[i],
          w: rows[i][j][1],
          h: rows[i][j][2],
        },
      }
      for i in std.range(0, std.length(rows) - 1)
      for j in std.range(0, std.length(rows[i]) - 1)
    ],

  grafanaDashboards+:: {
    'senvaro.json': {
      uid: c.dashboardUid,
      title: c.dashboardTitle,
      description: 'DWL-2100AP Access Points und ihre Stationen, von senvaro-exporter',
      tags: c.dashboardTags,
      editable: true,
      graphTooltip: 1,
      refresh: c.dashboardRefresh,
      schemaVersion: 37,
      time: { from: c.dashboardFrom, to: 'now' },
      timezone: 'browser',
      links: [],
      annotations: { list: [] },
      templating: {
        list: [
          {
            name: 'datasource',
            label: 'Datenquelle',
            type: 'datasource',
            query: 'prometheus',
            current: {},
            hide: 0,
            refresh: 1,
          },
          {
            name: 'ap',
            label: 'Access Point',
            type: 'query',
            datasource: datasource,
            definition: 'label_values(%s, ap)' % sel('senvaro_up'),
            query: { query: 'label_values(%s, ap)' % sel('senvaro_up'), refId: 'ap' },
            current: {},
            multi: true,
            includeAll: true,
            refresh: 2,
            sort: 1,
            hide: 0,
          },
        ],
      },
      panels: layout([
        [[row('Access Points'), 24, 1]],
        [
          [states('Access Points erreichbar',
                  'senvaro_up: ob der Access Point seine Abfragen beantwortet.',
                  [target(ap('senvaro_up'), '{{ap}}')],
                  [['1', 'erreichbar', 'green'], ['0', 'antwortet nicht', 'red']]), 12, 8],
          [timeseries('Stationen je Access Point',
                      'senvaro_stations: angemeldete Stationen (keine Werte, solange er nicht antwortet).',
                      [target(ap('senvaro_stations'), '{{ap}}')]), 12, 8],
        ],
        [
          [bars('Abfragen nach Ergebnis',
                'senvaro_polls_total: Abfragen und Verbindungsversuche je Ergebnis.',
                [target('sum by (ap, result) (increase(%s[$__rate_interval]))' % ap('senvaro_polls_total'), '{{ap}} {{result}}')]), 8, 8],
          [timeseries('Dauer der letzten Abfrage',
                      'senvaro_poll_duration_seconds',
                      [target(ap('senvaro_poll_duration_seconds'), '{{ap}}')],
                      's'), 8, 8],
          [timeseries('Seit der letzten Antwort',
                      'Zeit seit senvaro_last_poll_success_timestamp_seconds.',
                      [target('time() - %s' % ap('senvaro_last_poll_success_timestamp_seconds'), '{{ap}}')],
                      's'), 8, 8],
        ],
        [[row('Stationen'), 24, 1]],
        [
          [timeseries('Signal je Station',
                      'senvaro_station_receive_signal_ratio mit dem Namen aus senvaro_station_info.',
                      [target('%s * on (job, instance, ap, mac_address) group_left (name) %s'
                              % [ap('senvaro_station_receive_signal_ratio'), info], '{{name}} ({{ap}})')],
                      'percentunit',
                      { fieldConfig+: { defaults+: { min: 0, max: 1 } } }), 24, 10],
        ],
        [
          [states('Anwesenheit',
                  'senvaro_station_presence: bekannte Clients immer, andere Stationen bis 24 Stunden nach dem letzten Sehen; über alle Access Points.',
                  // 2 present, 1 unknown (its access point cannot be asked), 0 absent.
                  [target(withName('sum without (state) (%s * 2 + ignoring (state) %s)'
                                   % [sel('senvaro_station_presence', ['state="present"']), sel('senvaro_station_presence', ['state="unknown"'])]),
                          '{{name}}')],
                  [['2', 'anwesend', 'green'], ['1', 'unbekannt', 'text'], ['0', 'abwesend', 'red']]), 12, 10],
          [bars('Roams',
                'senvaro_station_roams_total: Wechsel einer Station zu einem anderen Access Point.',
                [target(withName('sum by (mac_address) (increase(%s[$__rate_interval]))' % sel('senvaro_station_roams_total')), '{{name}}')]), 12, 10],
        ],
        [
          [bars('An- und Abmeldungen',
                'senvaro_station_joins_total und senvaro_station_leaves_total je Access Point.',
                [
                  target('sum by (ap) (increase(%s[$__rate_interval]))' % ap('senvaro_station_joins_total'), '{{ap}} an'),
                  target('-sum by (ap) (increase(%s[$__rate_interval]))' % ap('senvaro_station_leaves_total'), '{{ap}} ab'),
                ]), 24, 8],
        ],
        [[row('senvaro-exporter'), 24, 1]],
        [
          [states('Exporter erreichbar',
                  'up des Scrape-Jobs von senvaro-exporter.',
                  [target(exporter('up'), '{{instance}}')],
                  [['1', 'erreichbar', 'green'], ['0', 'nicht erreichbar', 'red']]), 8, 6],
          [stat('Version',
                'senvaro_exporter_build_info',
                [target(exporter('senvaro_exporter_build_info'), '{{version}} ({{revision}}, Qt {{qt_version}})', instant=true)],
                'none',
                { options+: { textMode: 'name' } }), 8, 6],
          [stat('Laufzeit',
                'Zeit seit process_start_time_seconds.',
                [target('time() - %s' % exporter('process_start_time_seconds'), '{{instance}}', instant=true)],
                's'), 8, 6],
        ],
        [
          [timeseries('CPU',
                      'process_cpu_seconds_total je Sekunde (1 = ein Kern).',
                      [target('rate(%s[$__rate_interval])' % exporter('process_cpu_seconds_total'), '{{instance}}')],
                      'percentunit'), 8, 8],
          [timeseries('Speicher',
                      'process_resident_memory_bytes',
                      [target(exporter('process_resident_memory_bytes'), '{{instance}}')],
                      'bytes'), 8, 8],
          [timeseries('Offene Dateien',
                      'process_open_fds und die Grenze process_max_fds.',
                      [target(exporter('process_open_fds'), '{{instance}} offen'), target(exporter('process_max_fds'), '{{instance}} Grenze')]), 8, 8],
        ],
      ]),
    },
  },
}
