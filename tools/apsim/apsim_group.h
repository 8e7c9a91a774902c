#pragma once

// Many simulated access points in one process: one ApSim per loopback address, all on the
// same port and with the same options, each with its own stations and connections.

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "apsim.h"

namespace apsim {

// Most addresses one list may name; each costs one listening socket.
constexpr int maxAddresses = 1024;

// Parses "127.0.1.1-127.0.1.50" or a comma list of addresses and ranges ("127.0.0.2,
// 127.0.1.5-127.0.1.9"). A range is inclusive and stays within one /24. Only dotted
// IPv4 addresses in 127.0.0.0/8 are taken; none may appear twice; at most maxAddresses.
// On a bad list: false, *error says why (in English, like the program's other messages).
bool parseAddresses(const QString &text, QList<QHostAddress> *out, QString *error);

// The options one address of a group runs with: the same stations at levels shifted by
// an amount drawn from the address, the generated MAC addresses made unique per address,
// and the random moves seeded from it, so no two access points look alike.
Options optionsForAddress(const Options &base, const QHostAddress &address);

class ApSimGroup : public QObject
{
    Q_OBJECT
public:
    // varyPerAddress false: every address runs exactly the base options.
    explicit ApSimGroup(const Options &base, bool varyPerAddress = true, QObject *parent = nullptr);
    ~ApSimGroup() override;

    // Listens on every address; on the first one that cannot be bound, stops all, returns
    // false and errorString() names the address.
    bool listen(const QList<QHostAddress> &addresses, quint16 port = 23);
    QString errorString() const { return m_error; }
    void stop();

    int size() const { return int(m_sims.size()); }
    ApSim *at(int index) const { return m_sims[size_t(index)].get(); }
    ApSim *find(const QHostAddress &address) const; // nullptr when not in the group

    // One control line: "silent ADDRESSES" (accept and log, never answer), "answer
    // ADDRESSES" (answer again, listening again after refuse), "close ADDRESSES" (close
    // open connections), "refuse ADDRESSES" (stop listening, so connects are refused).
    // ADDRESSES as for parseAddresses, or "all". "join MAC ADDRESS" lists the station
    // with that MAC (colon form, any case) at the one address from its next "get station"
    // reply on (see ApSim::addStation); a MAC is listed by one address of the group at a
    // time, so joining another address moves it there. "leave MAC ADDRESS" unlists it.
    // Returns the text to show: "ok: ..." or "error: ...".
    QString control(const QString &line);

signals:
    void clientConnected(const QHostAddress &address, int connection);
    void lineReceived(const QHostAddress &address, int connection, qint64 ms, const QByteArray &line);
    void clientDisconnected(const QHostAddress &address, int connection);

private:
    QString joinOrLeave(const QString &verb, const QString &arg);

    Options m_base;
    bool m_vary;
    quint16 m_port = 23;
    QString m_error;
    std::vector<std::unique_ptr<ApSim>> m_sims;
    QList<QHostAddress> m_addresses; // index as m_sims
};

} // namespace apsim
