#pragma once

// The window with its settings file in a folder of its own, the stepped clock and scripted
// dialogs, and the helpers the tests of evaluated replies and of the setup page share.

#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

#include "app/startstop.h"
#include "config/inifile.h"
#include "config/settings.h"
#include "steppedclock.h"
#include "testsupport.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"

// clang-format off
inline const QString SEP(49, QLatin1Char('*'));
inline const QString EXAMPLE = "get station" + SEP + "00:11:22:33:44:55 RxSignalStrength: 40 "
    "AckSignalStrength: 32 Authentication Type: Open WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off" + SEP
    + "00:0A:0B:0C:0D:0E RxSignalStrength(per cent): 62 AckSignalStrength: 20";
// clang-format on

// The buttons shown ("index=caption|..."), then the station count.
inline QString shownOf(const frmMonitor &w)
{
    QStringList s;
    for (int i = 0; i < 12; ++i)
        if (!optClient<QRadioButton>(w, i)->isHidden())
            s << QString::number(i) + "=" + optClient<QRadioButton>(w, i)->text();
    return s.join('|') + " " + ctl<QLineEdit>(w, "txtAnzahl")->text();
}

struct WindowFixture
{
    std::unique_ptr<frmMonitor> w;
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("SENVARO.INI"));
    ScriptedDialogs d;

    template <class T = QLineEdit> T *c(const char *name) const { return ctl<T>(*w, name); }

    QString details() const
    {
        QStringList s;
        for (const char *name :
             {"txtMac", "txtAuth", "txtEncrypt", "txtWLANMode", "txtRXDataRate", "txtRXSign", "txtAckSign"})
            s << c(name)->text();
        return s.join('|');
    }
    QString chart() const // "label:rx:ack|..."
    {
        QStringList s;
        for (int r = 1; r <= c<StationChart>("MSChart1")->rowCount(); ++r)
            s << c<StationChart>("MSChart1")->rowLabel(r) + ":" +
                     c<StationChart>("MSChart1")->dataText(r, 1) + ":" +
                     c<StationChart>("MSChart1")->dataText(r, 2);
        return s.join('|');
    }
    void evaluate(const QString &text, int page = 1, const QString &selected = QStringLiteral("0"))
    {
        c<QTabWidget>("SSTab1")->setCurrentIndex(page);
        c("Text1")->setText(selected);
        w->session().evaluate(text);
        clock->advance(1000); // a logout after the wrong-password question closes a second later
    }
    void known(const QList<tMAC> &records) { w->setKnownClients(knownClients(records)); }

    void load(const QByteArray &content)
    {
        Settings s;
        QVERIFY(writeFile(p, content) && IniFile().load(p, s));
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        w->applySettings(s);
    }
    QByteArray saved() { return IniFile().Save(p, w->collectSettings()) ? readFile(p) : "save failed"; }
    static tMAC rec(const QString &n, const char *ap = "Falsch") { return {"mac-" + n, n, "ip-" + n, ap}; }
    void del(Dialogs::Answer a = Dialogs::Answer::Ok) { d.answer(a), c<QToolButton>("Command2")->click(); }
    void start(const QList<tMAC> &records)
    {
        d.clear();
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        Settings s;
        s.recordCount = qint16(records.size());
        s.clients = knownClients(records);
        w->applySettings(s);
        c("txtDatensatz")->setText(QStringLiteral("1"));
    }
    // "N(names) bar maximum/value editor number:name"
    QString state() const
    {
        QStringList n;
        const KnownClients &k = w->knownClients();
        for (const tMAC &r : k)
            n << r.Name;
        return QStringLiteral("%1(%2) %3/%4 %5:%6")
            .arg(QString::number(k.size()), n.join(','),
                 QString::number(c<QScrollBar>("scrDatensatz")->maximum()),
                 QString::number(c<QScrollBar>("scrDatensatz")->value()), c("txtDatensatz")->text(),
                 c("txtDataName")->text());
    }

    // A fresh window on the stepped clock, attached to the settings file, loaded.
    void reset()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        w = std::make_unique<frmMonitor>(nullptr, clock);
        StartStop::attach(*w, p);
        w->Form_Load();
    }
};
