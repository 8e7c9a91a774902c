#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "monitor/chart.h"
#include "ui/frmMonitor.h"

// The main window's own look and behaviour: captions, start state, page changes,
// station options, geometry, keyboard reach and the rendered pages.
class tst_window : public QObject
{
    Q_OBJECT

private:
    static QString captionOf(QWidget *w)
    {
        if (auto *l = qobject_cast<QLabel *>(w))
            return l->text();
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            return b->text();
        if (auto *g = qobject_cast<QGroupBox *>(w))
            return g->title();
        if (auto *e = qobject_cast<QLineEdit *>(w))
            return e->text();
        if (auto *c = qobject_cast<QComboBox *>(w))
            return c->currentText();
        if (auto *t = qobject_cast<TextBox *>(w))
            return t->text();
        return QStringLiteral("<no caption>");
    }

    // The window as the user gets it: loaded, shown, the start animation played.
    static void showLoaded(frmMonitor &w)
    {
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents(); // the first activation runs here
    }

    static QColor pixelAt(QWidget &w, QPoint p) { return w.grab().toImage().pixelColor(p); }

private slots:
    void init() { MACs = QVector<tMAC>(2); }
    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const QList<std::pair<const char *, QString>> rows = {
            {"Frame3", "Access Point"},
            {"Label2", "IP-Adresse:"},
            {"Combo1", "192.168.0.50"},
            {"txtIP", "192.168.0.50"},
            {"lblUsername", "Username:"},
            {"txtUser", ""},
            {"lblPassw", "Passwort:"},
            {"txtPassw", ""},
            {"lblStatus", "keine Verbindung zum AP"},
            {"CmdLogin", "LOGIN"},
            {"Cmd_logout", "Logout"},
            {"Label15", "FW Version:"},
            {"txtSoftVers", ""},
            {"Frame2", "bekannte MAC-Adressen"},
            {"Label6", "MAC-Adresse"},
            {"Label7", " Name                       IP"},
            {"Label5", "Senvaro für den Access Point \"DWL 2100AP\". "},
            {"lblMac", "MAC Adresse:"},
            {"lblAuth", "Authentication Type:"},
            {"Label12", "Encryption:"},
            {"lblWLANMode", "WLAN Mode:"},
            {"lblRXDataRate", "RX Data Rate:"},
            {"lblRXSign", "RX Signal Strength:"},
            {"txtRXSign", "0"},
            {"Label13", "%"},
            {"lblAckSign", "Ackn Signal Strength:"},
            {"txtAckSign", "0"},
            {"Label14", "%"},
            {"lblAnzahl", "Anzahl Clients:"},
            {"txtAnzahl", ""},
            {"Frame1", "Clients"},
            {"OptClients_0", "Option2"},
            {"OptClients_11", "Option2"},
            {"Label8", "Diese Seite ist nur für Testzwecke gedacht."},
            {"Command7", "Befehl:      set"},
            {"Text3", "antenna 1"},
            {"Command8", "Befehl:     get"},
            {"Text4", "antenna"},
            {"Command9", "Befehl:"},
            {"Text5", "quit"},
            {"Label9", "Antwort DWL-2100AP:"},
            {"txtmanAntw", ""},
            {"Command1", "Datenrate"},
            {"command6", "Sendeleistung"},
            {"cmd_reboot", "reboot"},
            {"Command13", "Hardware"},
            {"Command12", "SSID"},
            {"Command11", "Kanal"},
            {"Command3", "externe Antenne"},
            {"Command5", "interne Antenne"},
            {"Command4", "beste Antenne"},
            {"Command10", "löschen"},
            {"Label3", "Antworten im Rohformat:"},
            {"Monitor", ""},
            {"Frame4", "Geräte im Netzwerk"},
            {"txtDatensatz", "1"},
            {"Label1", "Name:"},
            {"Label4", "IP-Adresse:"},
            {"Label16", "MAC-Adresse:"},
            {"Label17", "Gerätetyp:"},
            {"chkDataAP", "DWL-2100AP"},
            {"cmdNewData", "Neu"},
            {"cmdSave", "speichern"},
            {"Command2", "löschen"},
            {"Frame5", "Programm"},
            {"chkBekClients", "nur bekannte MAC-Adressen auswerten"},
            {"ChksaveUser", "Benutzernamen speichern"},
            {"ChksavePW", "Passwort speichern"},
            {"ChkShowPW", "Benutzername und Passwort anzeigen"},
            {"Label10", "Abfragezyklus"},
            {"cmbZyklus", "5"},
            {"Label11", "s"},
            {"Label20",
             "Es besteht kein Zusammenhang zwischen dem Programm und dem Hersteller des DWL-2100AP"},
            {"Label19", "Die Benutzung erfolgt auf eigene Verantwortung."},
            {"CmdEnde", "ENDE"},
            {"Text1", "Text1"},
        };
        for (const auto &[name, caption] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << caption;
    }

    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        frmMonitor w;
        auto *widget = w.findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(captionOf(widget), caption);
        // The caption is what assistive tools announce.
        if (!caption.isEmpty() && qobject_cast<QAbstractButton *>(widget)) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name), caption);
        }
    }

    void windowAndPages()
    {
        frmMonitor w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Senvaro - für den Access Point DWL-2100AP"));
        QCOMPARE(backColor(&w), vbColor(0x00FF8080));
        QVERIFY(!w.windowIcon().isNull());
        const QStringList pages{"LOGIN", " Clients", "Diagramm", "manuell", "Antworten", "Setup"};
        QCOMPARE(w.SSTab1->count(), int(pages.size()));
        for (int i = 0; i < pages.size(); ++i)
            QCOMPARE(w.SSTab1->tabText(i), pages[i]);
        QCOMPARE(QStringList({w.Command3->toolTip(), w.Command5->toolTip(), w.Command4->toolTip()}),
                 QStringList({"diversity aus", "diversity aus", "diversity ein"}));
        QCOMPARE(w.cmbZyklus->count(), 9);
        QCOMPARE(w.cmbZyklus->itemText(8), QStringLiteral("10"));
        QCOMPARE(w.Combo1->count(), 0);
        // Text from outside must never be read as markup.
        for (QLabel *l : w.findChildren<QLabel *>())
            QVERIFY2(l->textFormat() == Qt::PlainText, qPrintable(l->objectName()));
    }

    void fieldsAreNamedByTheirLabels()
    {
        frmMonitor w;
        const QList<std::pair<QWidget *, QLabel *>> pairs = {
            {w.Combo1, w.Label2},       {w.txtUser, w.lblUsername},     {w.txtPassw, w.lblPassw},
            {w.txtSoftVers, w.Label15}, {w.txtMac, w.lblMac},           {w.txtAuth, w.lblAuth},
            {w.txtEncrypt, w.Label12},  {w.txtWLANMode, w.lblWLANMode}, {w.txtRXDataRate, w.lblRXDataRate},
            {w.txtRXSign, w.lblRXSign}, {w.txtAckSign, w.lblAckSign},   {w.txtDataName, w.Label1},
            {w.txtDataIP, w.Label4},    {w.txtDataMAC, w.Label16},      {w.cmbZyklus, w.Label10},
            {w.txtmanAntw, w.Label9},   {w.Monitor, w.Label3},
        };
        for (const auto &[field, caption] : pairs) {
            QCOMPARE(caption->buddy(), field);
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(field);
            QVERIFY(a);
            // Either the name itself or, where the platform names a box by its
            // value (combo boxes on Linux), the label relation.
            bool named = a->text(QAccessible::Name).startsWith(caption->text().chopped(1));
            for (const auto &[other, relation] : a->relations(QAccessible::Label))
                named = named || other->object() == caption;
            QVERIFY2(named, qPrintable(field->objectName() + ": " + a->text(QAccessible::Name)));
        }
    }

    void startState()
    {
        frmMonitor w;
        for (auto [timer, ms] :
             {std::pair{w.timAuswertung, 1000}, {w.timPWRobot, 200}, {w.timPoll_Power, 5000}}) {
            QVERIFY(!timer->enabled());
            QCOMPARE(timer->interval(), ms);
        }
        QVERIFY(w.CmdLogin->isEnabled());
        QVERIFY(!w.Cmd_logout->isEnabled());
        for (QRadioButton *o : w.OptClients)
            QVERIFY(o->isHidden());
        QVERIFY(w.lblAnzahl->isHidden());
        QVERIFY(w.txtAnzahl->isHidden());
        QVERIFY(!w.LED2_aus->isHidden());
        QVERIFY(w.txtIP->isHidden());
        QCOMPARE(w.txtIP->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(w.txtPassw->echoMode(), QLineEdit::Password);
        for (auto [box, state] : {std::pair{w.ChksaveUser, 1},
                                  {w.ChksavePW, 1},
                                  {w.ChkShowPW, 0},
                                  {w.chkBekClients, 0},
                                  {w.chkDataAP, 0}})
            QCOMPARE(chkValue(box), state);
        QCOMPARE(QList<int>({w.scrDatensatz->minimum(), w.scrDatensatz->maximum(), w.scrDatensatz->value()}),
                 QList<int>({1, 50, 1}));
        for (QLineEdit *t : {w.txtMac, w.txtAuth, w.txtEncrypt, w.txtWLANMode, w.txtRXDataRate, w.txtRXSign,
                             w.txtAckSign, w.txtAnzahl}) {
            QVERIFY2(t->isReadOnly(), qPrintable(t->objectName()));
            QCOMPARE(t->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        }
        QVERIFY(w.Monitor->isReadOnly());
        QVERIFY(w.txtMACS->isReadOnly());
        for (SignalBar *b : {w.RXBar, w.AcknBar}) {
            QCOMPARE(b->size(), QSize(257, 9));
            QCOMPARE(b->valueF(), 0.0f);
        }
        QCOMPARE(backColor(w.lblStatus), vbColor(0x00C0FFFF));
        QCOMPARE(w.SSTab1->geometry().topLeft(), QPoint(8, 8));
        QVERIFY(w.SSTab1->width() >= 469 && w.SSTab1->height() >= 313);

        w.Form_Load();
        QVERIFY(w.LED1_aus->isHidden());
        QVERIFY(!w.LED2_aus->isHidden());
        QCOMPARE(w.Text1->text(), QStringLiteral("0"));
        QCOMPARE(w.SSTab1->currentIndex(), 0);
        QVERIFY(!w.manuellMode);
    }

    // Leaving "manuell" resumes polling only with a connection; the interval stays.
    void leavingManuell_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("connected");
        for (int target : {0, 1, 2, 4, 5})
            for (bool connected : {false, true})
                QTest::addRow("to %d, %s", target, connected ? "connected" : "offline")
                    << target << connected;
    }

    void leavingManuell()
    {
        QFETCH(int, target);
        QFETCH(bool, connected);
        frmMonitor w;
        w.Form_Load();
        w.verbunden = connected;
        w.timPoll_Power->setInterval(7000);
        w.timPoll_Power->setEnabled(true);
        w.SSTab1->setCurrentIndex(3);
        QVERIFY(w.manuellMode);
        QVERIFY(!w.timPoll_Power->enabled());

        w.SSTab1->setCurrentIndex(target);
        QVERIFY(!w.manuellMode);
        QCOMPARE(w.timPoll_Power->enabled(), connected);
        QCOMPARE(w.timPoll_Power->interval(), 7000);
    }

    void otherPagesLeavePollingAlone()
    {
        frmMonitor w;
        w.Form_Load();
        w.verbunden = true;
        for (bool polling : {false, true}) {
            w.timPoll_Power->setEnabled(polling);
            for (int page : {1, 2, 4, 5, 0, 2}) {
                w.SSTab1->setCurrentIndex(page);
                QVERIFY(!w.manuellMode);
                QCOMPARE(w.timPoll_Power->enabled(), polling);
            }
        }
        // Entering "manuell" stops polling even when it was already stopped, and the
        // previous page is the one really shown before.
        w.timPoll_Power->setEnabled(false);
        w.SSTab1->setCurrentIndex(3);
        QVERIFY(!w.timPoll_Power->enabled());
        w.SSTab1->setCurrentIndex(1);
        QVERIFY(w.timPoll_Power->enabled());
        w.timPoll_Power->setEnabled(false);
        w.SSTab1->setCurrentIndex(2);
        QVERIFY(!w.timPoll_Power->enabled());
    }

    void setupGrowsAnEmptyRecord()
    {
        frmMonitor w;
        w.Form_Load();
        MACs = QVector<tMAC>(1);
        w.SSTab1->setCurrentIndex(5);
        QCOMPARE(MACs.size(), 2);
        QVERIFY(MACs[1].MAC.isEmpty() && MACs[1].Name.isEmpty() && MACs[1].IP.isEmpty());

        MACs.clear();
        w.SSTab1->setCurrentIndex(0);
        w.SSTab1->setCurrentIndex(5);
        QCOMPARE(MACs.size(), 2);

        // Existing records stay as they are.
        MACs = QVector<tMAC>(4);
        MACs[3].Name = QStringLiteral("Dritter");
        w.SSTab1->setCurrentIndex(0);
        w.SSTab1->setCurrentIndex(5);
        QCOMPARE(MACs.size(), 4);
        QCOMPARE(MACs[3].Name, QStringLiteral("Dritter"));
    }

    void manuellToSetupShowsRecordAndResumes()
    {
        frmMonitor w;
        w.Form_Load();
        MACs = QVector<tMAC>(2);
        MACs[1] = {QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Bürozugang"),
                   QStringLiteral("10.0.0.7"), QStringLiteral("Wahr")};
        w.verbunden = true;
        w.SSTab1->setCurrentIndex(3);
        w.SSTab1->setCurrentIndex(5);
        QVERIFY(w.timPoll_Power->enabled());
        QVERIFY(!w.manuellMode);
        QCOMPARE(w.txtDataName->text(), QStringLiteral("Bürozugang"));
        QCOMPARE(w.txtDataMAC->text(), QStringLiteral("00:11:22:33:44:55"));

        // Back on "LOGIN" the list shows the stored records.
        w.SSTab1->setCurrentIndex(0);
        QVERIFY(w.txtMACS->text().contains(QStringLiteral("00:11:22:33:44:55")));
    }

    void fillClients_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("shown");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("negative") << -1 << 0;
        QTest::newRow("most negative") << -32768 << 0;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("three") << 3 << 3;
        QTest::newRow("eleven") << 11 << 11;
        QTest::newRow("twelve") << 12 << 12;
        QTest::newRow("forty") << 40 << 12;
        QTest::newRow("largest") << 32767 << 12;
    }

    void fillClients()
    {
        QFETCH(int, count);
        QFETCH(int, shown);
        frmMonitor w;
        w.Form_Load();
        w.fillClients(12); // start from all shown, so hiding is checked as well
        w.OptClients[0]->setText(QStringLiteral("Station A"));
        w.fillClients(qint16(count));
        for (int i = 0; i < 12; ++i)
            QCOMPARE(!w.OptClients[i]->isHidden(), i < shown);
        // Captions and the pick are not touched.
        QCOMPARE(w.OptClients[0]->text(), QStringLiteral("Station A"));
        QVERIFY(w.OptClients[0]->isChecked());
    }

    void optionClickRemembersIndex()
    {
        frmMonitor w;
        w.Form_Load();
        QCOMPARE(w.Text1->text(), QStringLiteral("0"));
        w.fillClients(12);
        for (int i : {7, 11, 2, 0}) {
            w.OptClients[i]->click();
            QCOMPARE(w.Text1->text(), QString::number(i));
        }
    }

    // Every control lies inside the smallest window, on every page, at no less than
    // the size its caption needs; the stored outer size cannot go below that.
    void minimumSizeShowsEverything()
    {
        frmMonitor w;
        showLoaded(w);
        w.fillClients(12);
        w.lblAnzahl->show();
        w.txtAnzahl->show();
        w.resize(100, 100);
        QCOMPARE(w.size(), w.minimumClientSize());
        QVERIFY(w.minimumClientSize().width() >= 478 && w.minimumClientSize().height() >= 418);
        w.setTwWidth(6600);
        w.setTwHeight(4230);
        QVERIFY(w.width() >= w.minimumClientSize().width() && w.height() >= w.minimumClientSize().height());

        const QRect client = w.rect();
        for (int page = 0; page < w.SSTab1->count(); ++page) {
            w.SSTab1->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (QWidget *c : w.findChildren<QWidget *>()) {
                if (!c->isVisible() || qobject_cast<QMenu *>(c) || c->isWindow() ||
                    qobject_cast<QComboBox *>(c->parentWidget()))
                    continue;
                const QRect r(c->mapTo(&w, QPoint(0, 0)), c->size());
                if (c != w.lblautor)
                    QVERIFY2(client.contains(r),
                             qPrintable(c->objectName() + " on page " + QString::number(page)));
                const bool wraps = qobject_cast<QLabel *>(c) && static_cast<QLabel *>(c)->wordWrap();
                if ((qobject_cast<QLabel *>(c) && !wraps) || qobject_cast<QAbstractButton *>(c)) {
                    QVERIFY2(c->width() >= c->sizeHint().width() && c->height() >= c->fontMetrics().height(),
                             qPrintable(QStringLiteral("%1 clipped: %2x%3 < %4x%5")
                                            .arg(c->objectName())
                                            .arg(c->width())
                                            .arg(c->height())
                                            .arg(c->sizeHint().width())
                                            .arg(c->sizeHint().height())));
                } else if (wraps) {
                    QVERIFY2(c->height() >= c->heightForWidth(c->width()), qPrintable(c->objectName()));
                } else if (qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c)) {
                    QVERIFY2(c->height() >= c->minimumSizeHint().height(), qPrintable(c->objectName()));
                }
            }
        }
        // The address box hides the stored address field completely.
        QVERIFY(w.Combo1->geometry().contains(w.txtIP->geometry()));
        QCOMPARE(w.txtIP->geometry().topLeft(), w.Combo1->geometry().topLeft());
        // Station options stacked in index order.
        for (int i = 1; i < 12; ++i)
            QVERIFY(w.OptClients[i]->y() > w.OptClients[i - 1]->y());
    }

    // The dark-lamp pictures lie on the photo's lamps: shown, the lamp is dark;
    // hidden, the photo's lit lamp shows at the same spot.
    void lampsLieOverThePhoto()
    {
        frmMonitor w;
        showLoaded(w);
        QVERIFY(w.Image1->geometry().top() < w.SSTab1->geometry().bottom());
        for (QLabel *led : {w.LED1_aus, w.LED2_aus}) {
            QVERIFY(w.Image1->geometry().contains(led->geometry()));
            QVERIFY(!w.SSTab1->geometry().intersects(led->geometry()));
            const QPoint centre = led->geometry().center();
            led->show();
            const QColor dark = pixelAt(w, centre);
            led->hide();
            const QColor lit = pixelAt(w, centre);
            QVERIFY2(dark.value() < 90, qPrintable(dark.name()));
            QVERIFY2(lit.green() > 180 && lit.green() > lit.red() + 40, qPrintable(lit.name()));
        }
    }

    // Tab walks through every control of the shown page and on to "ENDE".
    void keyboardReachesEveryControl()
    {
        frmMonitor w;
        showLoaded(w);
        w.fillClients(3);
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (int page = 0; page < w.SSTab1->count(); ++page) {
            w.SSTab1->setCurrentIndex(page);
            QWidget *pageWidget = w.SSTab1->widget(page);
            QSet<QWidget *> expected{w.CmdEnde};
            for (QWidget *c : pageWidget->findChildren<QWidget *>()) {
                if (c->isVisible() && c->isEnabled() && (c->focusPolicy() & Qt::TabFocus) &&
                    !c->focusProxy() && !qobject_cast<QScrollBar *>(c->parentWidget()) &&
                    !qobject_cast<QRadioButton *>(c))
                    expected.insert(c);
            }
            if (page == 1)
                expected.insert(w.OptClients[0]); // the group is one stop: the checked option
            w.SSTab1->tabBar()->setFocus();
            QSet<QWidget *> seen;
            for (int i = 0; i < 80 && !expected.isEmpty(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget *f = QApplication::focusWidget();
                QVERIFY(f);
                seen.insert(f);
                expected.remove(f);
                if (f->focusProxy())
                    expected.remove(f->focusProxy());
            }
            QStringList missing;
            for (QWidget *c : expected)
                missing << c->objectName() + "/" + c->metaObject()->className();
            QVERIFY2(missing.isEmpty(),
                     qPrintable(QStringLiteral("page %1: %2").arg(page).arg(missing.join(", "))));
        }
    }

    // Renders every page to a PNG (into SENVARO_SCREENSHOT_DIR when set).
    void renderPages()
    {
        QTemporaryDir temp;
        QString dir = qEnvironmentVariable("SENVARO_SCREENSHOT_DIR");
        if (dir.isEmpty())
            dir = temp.path();
        QVERIFY(QDir().mkpath(dir));

        frmMonitor w;
        showLoaded(w);
        w.ChkShowPW_Click(); // the masks as the settings file's load leaves them
        w.txtUser->setText(QStringLiteral("admin"));
        w.txtPassw->setText(QStringLiteral("geheim"));
        w.txtSoftVers->setText(QStringLiteral("v2.50"));
        w.txtMACS->setText(QStringLiteral("00:0D:88:12:34:56\tBüro-AP       \t192.168.0.50\r\n"
                                          "00:11:22:33:44:55\tLaptop Anna    \t192.168.0.21\r\n"));
        const QStringList stations{"Laptop Anna", "00:0E:35:AB:CD:EF", "Drucker"};
        for (int i = 0; i < stations.size(); ++i)
            w.OptClients[i]->setText(stations[i]);
        w.fillClients(qint16(stations.size()));
        const QStringList details{"00:11:22:33:44:55", "Open System", "Off", "11g", "54 Mbps", "62", "50"};
        const QList<QLineEdit *> boxes{w.txtMac,        w.txtAuth,   w.txtEncrypt, w.txtWLANMode,
                                       w.txtRXDataRate, w.txtRXSign, w.txtAckSign};
        for (int i = 0; i < boxes.size(); ++i)
            boxes[i]->setText(details[i]);
        w.MSChart1->setRowCount(3);
        for (int r = 1; r <= 3; ++r) {
            w.MSChart1->setRow(qint16(r));
            w.MSChart1->setRowLabel(stations[r - 1]);
            w.MSChart1->setColumn(1);
            w.MSChart1->setData(QString::number(70 - 15 * r));
            w.MSChart1->setColumn(2);
            w.MSChart1->setData(QString::number(60 - 12 * r));
        }
        w.txtmanAntw->setText(QStringLiteral("get channel\r\nChannel: 6\r\nDWL-2100AP> "));
        w.Monitor->setText(
            QStringLiteral("*************************************************00:11:22:33:44:55 "
                           "RxSignalStrength: 40 AckSignalStrength: 32"));

        const QStringList names{"page0-login",   "page1-clients",   "page2-diagramm",
                                "page3-manuell", "page4-antworten", "page5-setup"};
        for (int page = 0; page < names.size(); ++page) {
            w.SSTab1->setCurrentIndex(page);
            QTest::qWait(page == 2 ? 300 : 20); // the chart refreshes deferred
            const QImage image = w.grab().toImage();
            QCOMPARE(image.size(), w.size());
            const QString file = QDir(dir).filePath(names[page] + ".png");
            QVERIFY(image.save(file));
            const QImage back(file);
            QVERIFY2(!back.isNull() && back.width() >= 478 && back.height() >= 418, qPrintable(file));
        }
    }
};

QTEST_MAIN(tst_window)
#include "tst_window.moc"
