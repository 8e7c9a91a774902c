// The window's pictures: those rendered at build time are the pixels the SVG renderer draws
// at run time, and an icon rendered on first use answers as one made of pixmaps at once.
#include <QtTest>
#include <QtWidgets>

#include <QSvgRenderer>

#include "ui/builders.h"
#include "ui/frmMonitor.h"

namespace {

// What a picture looks like drawn from its SVG when it is needed.
QImage drawn(const QString &svg, QSize device)
{
    QPixmap pm(device);
    pm.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    QPainter p(&pm);
    renderer.render(&p);
    p.end();
    return pm.toImage();
}

QString pictureOf(const QString &name)
{
    return QStringLiteral(":/pictures/") + name + QStringLiteral(".svg");
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        frmMonitor w; // registers the window's pictures
    }

    // Every picture rendered at build time (at 1x and 2x) gives the pixels the renderer draws,
    // and the ones the window shows at start are among them.
    void renderedAtBuildTime()
    {
        QStringList seen;
        for (const QString &file : QDir(QStringLiteral(":/rendered")).entryList()) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^(\\w+)-(\\d+)x(\\d+)\\.argb$")).match(file);
            QVERIFY2(m.hasMatch(), qPrintable(file));
            const QSize device(m.captured(2).toInt(), m.captured(3).toInt());
            for (const qreal dpr : {1.0, 2.0}) {
                if (device.width() % int(dpr) || device.height() % int(dpr))
                    continue;
                const QPixmap pm = ui::svgPixmap(pictureOf(m.captured(1)), device / dpr, dpr);
                QCOMPARE(pm.devicePixelRatio(), dpr);
                QVERIFY2(pm.toImage() == drawn(pictureOf(m.captured(1)), device), qPrintable(file));
            }
            seen << m.captured(1) + ":" + m.captured(2) + "x" + m.captured(3);
        }
        for (const char *start : {"accesspoint:288x128", "accesspoint:576x256", "lamp_off:20x14",
                                  "ende:32x32", "ende:64x64", "login:24x24", "logout:24x24"})
            QVERIFY2(seen.contains(QLatin1String(start)), start);
        // A size not rendered beforehand is drawn when asked for.
        QVERIFY(ui::svgPixmap(pictureOf("ende"), QSize(31, 31)).toImage() ==
                drawn(pictureOf("ende"), QSize(31, 31)));
    }

    // The icon drawn on first use answers every question as an icon of the same pixmaps made
    // at once: sizes listed, pixmaps at listed and other sizes, in every mode, on dense screens,
    // and when painted.
    void iconOnFirstUse()
    {
        const QList<int> sides{16, 24, 48};
        QIcon eager;
        for (int side : sides)
            eager.addPixmap(ui::svgPixmap(pictureOf("senvaro"), QSize(side, side)));
        const QIcon lazy = ui::svgIcon(pictureOf("senvaro"), {16, 24, 48});
        QVERIFY(!lazy.isNull());
        QCOMPARE(lazy.availableSizes(), eager.availableSizes());
        QCOMPARE(lazy.availableSizes(QIcon::Disabled), eager.availableSizes(QIcon::Disabled));
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected})
            for (const int side : {10, 16, 20, 24, 40, 64})
                for (const qreal dpr : {1.0, 2.0}) {
                    const QString what = QString::asprintf("mode %d side %d dpr %g", mode, side, dpr);
                    const QPixmap a = lazy.pixmap(QSize(side, side), dpr, mode);
                    const QPixmap b = eager.pixmap(QSize(side, side), dpr, mode);
                    QVERIFY2(a.toImage() == b.toImage() && a.devicePixelRatio() == b.devicePixelRatio(),
                             qPrintable(what));
                    QCOMPARE(lazy.actualSize(QSize(side, side), mode),
                             eager.actualSize(QSize(side, side), mode));
                    const auto painted = [&](const QIcon &icon) {
                        QImage image(70, 50, QImage::Format_ARGB32_Premultiplied);
                        image.setDevicePixelRatio(dpr);
                        image.fill(Qt::white);
                        QPainter p(&image);
                        icon.paint(&p, QRect(2, 3, side, side), Qt::AlignCenter, mode);
                        p.end();
                        return image;
                    };
                    QVERIFY2(painted(lazy) == painted(eager), qPrintable("painted, " + what));
                }
        // A button's disabled look comes from the same pixels.
        QToolButton a, b;
        for (auto [button, icon] : {std::pair{&a, lazy}, {&b, eager}}) {
            button->setIcon(icon);
            button->setEnabled(false);
            button->resize(60, 60);
        }
        QVERIFY(a.grab().toImage() == b.grab().toImage());
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
