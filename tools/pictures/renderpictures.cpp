// Renders the program's SVG pictures at the sizes it shows at start into raw pixels, once at
// build time: the window then shows them without parsing and rasterising SVG.
//
//   senvaro-render-pictures OUT_DIR QRC PICTURE_DIR NAME:SIDE[xHEIGHT]...
//
// Each NAME-WxH.argb holds W*H premultiplied ARGB32 pixels of NAME.svg in the machine's byte
// order (the build machine is the one that runs the program); QRC lists them under the
// prefix /rendered. The pixels are drawn as ui::svgPixmap draws them (tests compare both).

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 4) {
        std::fputs("usage: senvaro-render-pictures OUT_DIR QRC PICTURE_DIR NAME:SIDE[xHEIGHT]...\n", stderr);
        return 2;
    }
    const QDir out(args[0]);
    QString qrc =
        QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/rendered\">\n");
    for (const QString &picture : args.mid(3)) {
        const QString name = picture.section(QLatin1Char(':'), 0, 0);
        const QString dims = picture.section(QLatin1Char(':'), 1);
        const int w = dims.section(QLatin1Char('x'), 0, 0).toInt();
        const int h = dims.contains(QLatin1Char('x')) ? dims.section(QLatin1Char('x'), 1).toInt() : w;
        QSvgRenderer renderer(QDir(args[2]).filePath(name + QStringLiteral(".svg")));
        if (!renderer.isValid() || w <= 0 || h <= 0) {
            std::fprintf(stderr, "senvaro-render-pictures: cannot render %s\n", qPrintable(picture));
            return 1;
        }
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        renderer.render(&p);
        p.end();
        const QString file = QStringLiteral("%1-%2x%3.argb").arg(name).arg(w).arg(h);
        QFile f(out.filePath(file));
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char *>(image.constBits()),
                                                     image.sizeInBytes()) != image.sizeInBytes()) {
            std::fprintf(stderr, "senvaro-render-pictures: cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
        qrc += QStringLiteral("    <file>%1</file>\n").arg(file);
    }
    qrc += QStringLiteral("  </qresource>\n</RCC>\n");
    QFile q(args[1]);
    if (!q.open(QIODevice::WriteOnly) || q.write(qrc.toUtf8()) < 0)
        return 1;
    return 0;
}
