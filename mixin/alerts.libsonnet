// Alert rules for senvaro-exporter. Their expressions keep to the labels that identify an
// access point (ap) or a station (mac_address): a station's name lives only in
// senvaro_station_info and is looked up by the annotations, so renaming a known client
// in the settings file neither ends nor restarts an alert.
{
  local c = $._config,

  // metric{matchers}, leaving out empty matchers (and the braces when none remain).
  local sel(metric, matchers=[]) =
    local m = std.filter(function(x) x != '', [c.senvaroSelector] + matchers);
    if m == [] then metric else metric + '{' + std.join(',', m) + '}',

  // '15m' -> '15 Minuten', for the texts.
  local german(d) =
    local n = std.parseInt(std.substr(d, 0, std.length(d) - 1));
    local unit = { s: ['Sekunde', 'Sekunden'], m: ['Minute', 'Minuten'], h: ['Stunde', 'Stunden'], d: ['Tag', 'Tage'] }[d[std.length(d) - 1]];
    '%d %s' % [n, if n == 1 then unit[0] else unit[1]],

  // A template that prints "NAME (KEY)" from the newest series of info metric with a
  // non-empty name, of this job, instance and key label (now, else within nameMemory),
  // and the key alone when there is none.
  local named(metric, key) =
    local s = "%s{job=%%[1]q,instance=%%[2]q,%s=%%[3]q,name!=''}" % [metric, key];
    local q = '%s or topk(1, max_over_time(timestamp(%s)[%s:1m]))' % [s, s, c.nameMemory];
    '{{ with printf "%s" $labels.job $labels.instance $labels.%s | query }}' % [q, key] +
    '{{ (index . 0).Labels.name }} ({{ $labels.%s }}){{ else }}{{ $labels.%s }}{{ end }}' % [key, key],
  local ap = named('senvaro_ap_info', 'ap'),
  local station = named('senvaro_station_info', 'mac_address'),
  local journal = 'journalctl -u senvaro-exporter',
  // The alert's value as a German percentage: 18,75 %.
  local percent = '{{ $value | humanizePercentage | reReplaceAll "[.]" "," | reReplaceAll "%" " %" }}',

  local alert(name, severity, expr, summary, description, forDuration=null) = {
    alert: name,
    expr: expr,
    [if forDuration != null then 'for']: forDuration,
    labels: { severity: severity },
    annotations: {
      summary: summary,
      description: description,
      runbook_url: '%s#%s' % [c.runbookUrlBase, name],
    },
  },

  prometheusAlerts+:: {
    groups+: [{
      name: 'senvaro',
      rules: [
        {
          // Stations reported without a name of their own (name empty or their address):
          // not among the known clients. Recorded first, for the station alerts below.
          record: 'mac_address:senvaro_station_unnamed:max',
          expr: |||
            max by (mac_address) (
              %(info)s{name=""}
              or
              (%(info)s and label_replace(%(info)s, "name", "$1", "mac_address", "(.*)"))
            )
          ||| % { info: sel('senvaro_station_info') },
        },
        alert(
          'SenvaroAccessPointDown',
          'warning',
          '%s == 0' % sel('senvaro_up'),
          'Access Point %s antwortet nicht' % ap,
          ('senvaro-exporter ({{ $labels.instance }}) erreicht den Access Point %s seit %s nicht. ' +
           'Prüfen Sie, ob er Strom hat und im Netz ist, ob Port 23 (Telnet) von diesem Rechner aus offen ist ' +
           'und ob Benutzername und Passwort der Einstellungsdatei stimmen; was beim Anmelden geschah, ' +
           'zeigt %s.') % [ap, german(c.apDownFor), journal],
          c.apDownFor,
        ),
        alert(
          'SenvaroAllAccessPointsDown',
          'critical',
          'max without (ap) (%s) == 0' % sel('senvaro_up'),
          'Kein Access Point von senvaro-exporter {{ $labels.instance }} antwortet',
          ('Alle {{ with printf "count(senvaro_up{job=%%q,instance=%%q})" $labels.job $labels.instance | query }}' +
           '{{ . | first | value }} {{ end }}Access Points, die senvaro-exporter ({{ $labels.instance }}) überwacht, ' +
           'antworten seit %s nicht. Wenn alle zugleich schweigen, liegt es meist am Netz zwischen Exporter und ' +
           'Access Points oder an den Zugangsdaten: Prüfen Sie die Verbindung, Port 23 (Telnet) und Benutzername ' +
           'und Passwort der Einstellungsdatei; die Meldungen jedes Access Points zeigt %s.') % [german(c.apDownFor), journal],
          c.apDownFor,
        ),
        // Down in more than half of the window with at least two outages in it (a single
        // long one is the down alert's), and not down through the down alert's whole
        // wait: from there on that alert speaks for it.
        alert(
          'SenvaroAccessPointFlapping',
          'warning',
          |||
            avg_over_time(%(up)s[%(window)s]) < 0.5
            and changes(%(up)s[%(window)s]) > 2
            and max_over_time(%(up)s[%(down)s]) > 0
          ||| % { up: sel('senvaro_up'), window: c.flappingWindow, down: c.apDownFor },
          'Access Point %s fällt immer wieder aus' % ap,
          ('Der Access Point %s war in den letzten %s nur %s der Zeit erreichbar, ' +
           'mit mehreren Ausfällen. Prüfen Sie Stromversorgung, Netzkabel und Switch-Port, und ob sich ein ' +
           'anderes Programm per Telnet (Port 23) am Access Point anmeldet; jeden Wechsel zeigt %s.')
          % [ap, german(c.flappingWindow), percent, journal],
          c.flappingFor,
        ),
        alert(
          'SenvaroExporterDown',
          'warning',
          'up{%s} == 0' % c.exporterSelector,
          'senvaro-exporter {{ $labels.instance }} ist nicht erreichbar',
          ('Prometheus erreicht senvaro-exporter unter {{ $labels.instance }} (Job {{ $labels.job }}) seit %s ' +
           'nicht; die Access Points dahinter sind so lange unbeobachtet. Prüfen Sie den Dienst mit ' +
           'systemctl status senvaro-exporter und %s (Exit-Status 3: Einstellungsdatei, 4: Adresse belegt) ' +
           'und ob --listen die Adresse nennt, die Prometheus abfragt.') % [german(c.exporterDownFor), journal],
          c.exporterDownFor,
        ),
        // No access point series at all, and no down scrape target to blame: the target
        // left the configuration, or the text file or its collector is gone.
        alert(
          'SenvaroExporterAbsent',
          'warning',
          'absent(%s) unless on() (up{%s} == 0)' % [sel('senvaro_up'), c.exporterSelector],
          'Keine Daten von senvaro-exporter',
          ('Prometheus hat seit %s keine Reihe senvaro_up: weder ein Scrape-Job noch die Textdatei liefert ' +
           'Daten von senvaro-exporter. Prüfen Sie, ob der Dienst läuft (systemctl status senvaro-exporter, %s), ' +
           'ob scrape_configs einen Job für ihn hat, oder bei --textfile, ob die Datei senvaro.prom im ' +
           'Verzeichnis des Textfile-Collectors des Node Exporters liegt.') % [german(c.exporterAbsentFor), journal],
          c.exporterAbsentFor,
        ),
        alert(
          'SenvaroTextfileStale',
          'warning',
          'time() - node_textfile_mtime_seconds{%s} > %d' % [c.textfileSelector, c.textfileMaxAgeSeconds],
          'Textdatei von senvaro-exporter auf {{ $labels.instance }} ist veraltet',
          ('Die Datei {{ $labels.file }} wurde seit {{ $value | humanizeDuration }} nicht geschrieben; der Node ' +
           'Exporter liefert so lange alte Werte. Prüfen Sie, ob senvaro-exporter mit --textfile läuft und in ' +
           'das Verzeichnis schreiben darf: %s.') % journal,
        ),
        // Empty now after having had stations within noStationsMemory, and kept firing by
        // its own ALERTS series until a station returns, however long that takes.
        alert(
          'SenvaroNoStations',
          'warning',
          |||
            %(stations)s == 0
            and ignoring (alertname, alertstate, severity)
            (
              max_over_time(%(stations)s[%(memory)s]) > 0
              or ignoring (alertname, alertstate, severity)
              ALERTS{alertname="SenvaroNoStations"}
            )
          ||| % { stations: sel('senvaro_stations'), memory: c.noStationsMemory },
          'Keine Stationen mehr an Access Point %s' % ap,
          ('Am Access Point %s ist seit mindestens %s keine Station angemeldet, in den %s davor waren es noch ' +
           'welche. senvaro-exporter erreicht ihn, er meldet nur keine Station: Prüfen Sie, ob sein Funk sendet ' +
           '(SSID, Kanal, Sendeleistung, z. B. nach einem Neustart oder Stromausfall) und ob die Stationen ' +
           'sich mit dem richtigen Schlüssel anmelden. Die Meldung bleibt, bis wieder eine Station angemeldet ist.')
          % [ap, german(c.noStationsFor), german(c.noStationsMemory)],
          c.noStationsFor,
        ),
        alert(
          'SenvaroStationSignalLow',
          'warning',
          // Without name: an exporter that still labels the levels with it must not split
          // the series on a rename.
          'min without (name) (%s) < %g unless on (mac_address) mac_address:senvaro_station_unnamed:max'
          % [sel('senvaro_station_receive_signal_ratio'), c.signalLowRatio],
          'Schwaches Signal: Station %s an Access Point %s' % [station, ap],
          ('Die Station %s empfängt am Access Point %s seit %s unter %d %% Signalstärke (zuletzt ' +
           '%s). Prüfen Sie Abstand und Hindernisse zwischen Station und Access ' +
           'Point und die Antennenwahl des Access Points.') % [station, ap, german(c.signalLowFor), c.signalLowRatio * 100, percent],
          c.signalLowFor,
        ),
        // Known: a presence series (kept for every known client) of a station that has not
        // been reported without a name of its own within unknownStationMemory.
        alert(
          'SenvaroStationAbsent',
          'warning',
          |||
            %(presence)s == 1
            unless on (mac_address) max_over_time(mac_address:senvaro_station_unnamed:max[%(memory)s])
          ||| % { presence: sel('senvaro_station_presence', ['state="absent"']), memory: c.unknownStationMemory },
          'Station %s ist an keinem Access Point angemeldet' % station,
          ('Die bekannte Station %s ist seit mindestens %s an keinem überwachten Access Point angemeldet. ' +
           'Prüfen Sie, ob das Gerät eingeschaltet und im Funknetz ist; wo es zuletzt war, zeigt das ' +
           'Dashboard „Senvaro“ unter „Anwesenheit“.') % [station, german(c.stationAbsentFor)],
          c.stationAbsentFor,
        ),
      ],
    }],
  },
}
