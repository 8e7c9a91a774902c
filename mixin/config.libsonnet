// Settings of the Senvaro mixin. Override them by adding to _config, e.g.
//   (import 'mixin.libsonnet') + { _config+:: { senvaroSelector: 'job="wlan"' } }
{
  _config+:: {
    // Matchers (without braces) for the exporter's access-point and station series. Empty
    // takes them wherever they come from: scraped from senvaro-exporter or read by the node
    // exporter from the text file, whose job is the node exporter's.
    senvaroSelector: '',
    // Matchers for the scrape job of senvaro-exporter itself (up and process metrics).
    exporterSelector: 'job=~"senvaro.*"',
    // Matchers for the node exporter's text file written by --textfile.
    textfileSelector: 'file=~".*senvaro.prom"',

    // An access point silent this long is down; when every one of an exporter is, that is
    // the one critical alert.
    apDownFor: '5m',
    // Flapping: down in more than half of this window, with at least two outages in it.
    flappingWindow: '15m',
    flappingFor: '5m',
    exporterDownFor: '5m',
    exporterAbsentFor: '10m',
    // The exporter writes the text file after every polling round; the slowest retry of
    // a silent access point is five minutes, so three of them mean it stopped.
    textfileMaxAgeSeconds: 900,
    // An access point without stations alerts when it had some this recently.
    noStationsMemory: '6h',
    noStationsFor: '10m',
    signalLowRatio: 0.2,
    signalLowFor: '15m',
    stationAbsentFor: '10m',
    // Stations the exporter reports without a name of their own (not among the known
    // clients) keep presence series for 24 hours after they were last seen: they count as
    // unknown for as long, with an hour's margin.
    unknownStationMemory: '25h',
    // How far back a station's or access point's name is looked up for an annotation.
    nameMemory: '1d',

    // Every alert links to its subsection of the manual page's ALERTS section.
    runbookUrlBase: 'https://github.com/senvaro/senvaro/blob/HEAD/resources/linux/senvaro-exporter.1.in',

    dashboardUid: 'senvaro',
    dashboardTitle: 'Senvaro',
    dashboardTags: ['senvaro'],
    dashboardRefresh: '30s',
    dashboardFrom: 'now-6h',
  },
}
