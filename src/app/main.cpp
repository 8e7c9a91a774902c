#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "app/startstop.h"
#include "monitor/allgemein.h"
#include "ui/frmMonitor.h"

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString commandLine = args.join(QChar(' '));

    QApplication app(argc, argv);
    QTranslator qtGerman;
    if (qtGerman.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    setFieldYield([] { QCoreApplication::processEvents(); });

    std::unique_ptr<frmMonitor> window(StartStop::Main(QCoreApplication::applicationFilePath(), commandLine));
    if (!window)
        return 0;
    return app.exec();
}
