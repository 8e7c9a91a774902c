// A publisher for the last-will test, run until the test stops or kills it:
// tst_mqtt_helper PORT KEEPALIVE_SECONDS
#include <QCoreApplication>
#include <cstdio>

#include "exporter/mqtt.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    MqttSettings s;
    s.server = QStringLiteral("127.0.0.1");
    s.port = quint16(args[1].toUInt());
    s.keepAliveSeconds = args[2].toInt();
    MqttPublisher publisher(s);
    QObject::connect(&publisher, &MqttPublisher::logLine,
                     [](const QString &line) { std::fprintf(stderr, "%s\n", qPrintable(line)); });
    publisher.start();
    return app.exec();
}
