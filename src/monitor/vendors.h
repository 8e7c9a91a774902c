#pragma once

#include <QObject>
#include <QString>
#include <QStringView>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

// A 48-bit MAC address from "00:11:22:33:44:55" or "00-11-22-33-44-55" (either
// case, one separator throughout); nothing for any other text.
std::optional<quint64> parseMacAddress(QStringView text);

// The maker names of the IEEE's address blocks, held compactly: every block is one
// 64-bit word (prefix in the high bits, name number in the low 24) in a sorted
// vector per block size, and each distinct name is stored once in one string.
class VendorTable
{
public:
    // Reads the registry files of Debian's ieee-data from folder: oui.csv (24-bit
    // blocks), mam.csv (28-bit), oui36.csv and iab.csv (36-bit). A missing file
    // contributes nothing; a record whose assignment is not the file's number of hex
    // digits or whose name is empty is skipped. Names are trimmed and inner runs of
    // white space (line ends too) become one space. Where one block is assigned more
    // than once, its name lists the distinct names in file order, joined by " / ".
    // Stops early, with what it has, once *cancel becomes true.
    static VendorTable load(const QString &folder, const std::atomic<bool> *cancel = nullptr);

    // The maker of the smallest block holding the address (36, then 28, then 24
    // bits); empty when no block does.
    QString maker(quint64 address) const;

    bool isEmpty() const { return blockCount() == 0; }
    qsizetype blockCount() const;
    // Memory the table holds on the heap.
    qsizetype bytesHeld() const;

private:
    enum Size { Bits36, Bits28, Bits24, SizeCount };

    QStringView name(size_t n) const;

    QString m_names;                  // every distinct name, one after the other
    std::vector<quint32> m_nameStart; // name i is m_names[m_nameStart[i], m_nameStart[i + 1])
    std::vector<quint64> m_blocks[SizeCount];
};

// Maker names for MAC addresses, loaded once in the background on first need.
//
// Nothing is read until an address that needs a name is looked up; then a worker
// thread reads the registry while lookups answer "not yet", and namesReady() tells
// (on the registry's thread, which needs an event loop) that every lookup now gives
// its final answer. Without the registry files every address then simply has no
// maker. Locally administered addresses (phones choose them at random) never need
// the registry. Lookups belong to the thread the registry lives in.
class VendorRegistry : public QObject
{
    Q_OBJECT
public:
    static QString defaultFolder() { return QStringLiteral("/usr/share/ieee-data"); }

    struct Result
    {
        enum Kind {
            None,    // not an address, or no block holds it
            NotYet,  // the registry is still loading
            Private, // locally administered: there is no maker
            Maker,   // name holds the maker
        };
        Kind kind = None;
        QString name;

        // What to show beside the address: the maker, "private Adresse" or nothing.
        QString text() const;
    };

    explicit VendorRegistry(const QString &folder = defaultFolder(), QObject *parent = nullptr);
    ~VendorRegistry() override;

    // Never waits: starts the load when it is first needed.
    Result lookup(QStringView mac);

    bool isLoading() const { return m_worker.joinable() && !m_loaded; }
    bool isLoaded() const { return m_loaded; }
    // Loaded and at least one block known: the feature is there.
    bool hasNames() const { return m_loaded && !m_table.isEmpty(); }

signals:
    void namesReady();

private:
    void startLoading();
    void adopt(std::shared_ptr<VendorTable> table);

    QString m_folder;
    VendorTable m_table;
    bool m_loaded = false;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
};
