#include <QtTest>
#include <QtWidgets>

#include "ui/frmMonitor.h"

class tst_smoke : public QObject
{
    Q_OBJECT
private slots:
    void windowHasItsPages()
    {
        frmMonitor w;
        w.Form_Load();
        QCOMPARE(w.SSTab1->count(), 6);
        QCOMPARE(w.findChild<QWidget *>(QStringLiteral("CmdLogin")), static_cast<QWidget *>(w.CmdLogin));
    }
};

QTEST_MAIN(tst_smoke)
#include "tst_smoke.moc"
