#pragma once

#include <QList>
#include <QString>
#include <optional>

class KnownClients;

// One station block of a reply, with every value the window, the chart, the history
// and other listeners show for it. A value that is missing from the block (or could not
// be read) is empty: whoever shows it keeps what it showed before.
struct StationBlock
{
    int number = 0;      // k, from 1: block k belongs to option button k - 1 and chart row k
    QString mac;         // the block's first 17 characters
    QString name;        // its caption: the known client's trimmed name, else the MAC address
                         // (a block that is neither known nor passed keeps its old caption)
    bool known = false;  // the MAC address is among the known clients
    bool passed = false; // it passed the filter (filter off, or known)

    // The detail fields of the clients page (number values, before their number text).
    std::optional<QString> authentication;
    std::optional<QString> encryption;
    std::optional<QString> mode;
    std::optional<double> rate; // Mbps
    std::optional<double> rx;   // per cent
    std::optional<double> ack;  // per cent

    // The chart row's two values (chart rules: a negative level shows as 0, "(per cent)"
    // anywhere in the block takes the receive level unscaled). Only for blocks that passed.
    std::optional<double> chartRx;
    std::optional<double> chartAck;
};

// What one reply text says. The parser keeps nothing between calls.
struct Reply
{
    enum class Kind {
        Refused,   // "Incorrect login": the login was refused
        Rebooting, // "Rebooting": the access point restarts
        TooShort,  // fewer than 12 characters: nothing evaluated, the poll stays open
        Completed, // every other text, with or without station blocks
    };
    Kind kind = Kind::Completed;

    std::optional<QString> firmware; // text after "SOFTWARE_VERSION", when present
    bool knownOnly = false;          // the filter the blocks were judged by

    // Number of station separators - 1 (may be < 1: no blocks).
    int blockCount = 0;
    // True when 1..12 blocks were found and examined one by one.
    bool examined = false;
    // Blocks 1..blockCount when examined (index i holds block i + 1), else empty.
    QList<StationBlock> blocks;
    // With more blocks than the window has buttons: every block, read as the examined ones
    // are (at most maxMoreBlocks), for the outputs that list all stations. The window
    // leaves them alone.
    QList<StationBlock> moreBlocks;
    static constexpr int maxMoreBlocks = 1024;
    // Blocks that passed the filter (examined blocks only: the window's count).
    int stationCount = 0;
    // The reply says "No station associated." (a reply without stations).
    bool noStation = false;

    // Block k (1..blockCount) when examined, else null.
    const StationBlock *block(int k) const
    {
        return k >= 1 && k <= blocks.size() ? &blocks.at(k - 1) : nullptr;
    }
};

// The line of 49 asterisks that opens each station block.
const QString &stationSeparator();

// Signal levels come on a 64-step scale; false when the result is no finite number
// (the value is then left out and its target keeps what it showed).
bool perCentOf64(double raw, double *out);

// The first number after the first occurrence of word; false when it cannot be
// converted (out is then left as it was).
bool numberAfter(const QString &block, const QString &word, double *out);

// Parses one reply text against the known clients; with knownOnly only known stations
// pass. Pure: no side effect, no event processing.
Reply parseReply(const QString &text, const KnownClients &known, bool knownOnly);
