#pragma once

// The baud finder ("Find Comm. Settings"): on a line it drives itself, tries the five rates in their
// order, at each sends the device type's probes after the break sequence, and takes the first rate whose
// reply carries the expected baud code (TCP: "NB"). The log it writes is a series of coloured pieces
// (Line events whose style is the colour), ending with a line that says what was found. Waits are states;
// "Stop" takes effect at the next probe or rate.

#include "app/devicecatalogue.h"
#include "engine/enginebase.h"

#include <QList>
#include <array>

namespace korvo {

struct SearchRate
{
    int baud;
    const char *code;        // expected in the reply of device types 1, 4, 5
    const char *codeType6;   // expected in the reply of device type 6
    const char *gatewayCode; // "}02:96"
    int replyWaitType1;      // ms
    int replyWaitOther;      // ms
};

class CommSearchEngine final : public EngineBase
{
public:
    // Log colours, 24-bit with red in the low byte.
    enum Colour : int { Default = 0, Navy = 8388608, Green = 32768, Blue = 16711680, DarkRed = 128 };

    struct Options
    {
        DeviceType device = Veltor;
        bool tcp = false;
        int ctlCDelayMs = 1500;
        bool searchOnce = false; // korvo-cli: one search as soon as attached, then the engine ends
    };

    explicit CommSearchEngine(Options options);

    static const std::array<SearchRate, 5> &rates();
    // The probes for a device type and link, in order; empty for types 2 and 3.
    static QList<QByteArray> probes(DeviceType device, bool tcp);
    // A character of code 32..127 stays, 0 is dropped, the rest become "<" + two hex digits + ">".
    static QString printable(const QByteArray &bytes);
    // "3.0 sec" for device type 1 or a TCP link, else "1.5 sec", as a delay in ms.
    static int defaultCtlCDelayMs(DeviceType device, bool tcp)
    {
        return device == UKorvo || tcp ? 3000 : 1500;
    }

    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    void writeFailed(const QString &reason, qint64 nowMs) override;
    // A port or socket error during a rate: told once, and the search goes on with the next rate.
    void linkFailed(int number, const QString &description, const QString &reason, qint64 nowMs) override;

    // "Find": starts a search (log cleared by the window). "Stop": ends it at the next probe or rate.
    void find(qint64 nowMs);
    void setCtlCDelayMs(int ms) { m_options.ctlCDelayMs = ms; }
    void stop();
    bool isSearching() const { return m_state != State::Idle; }
    // The rate found by the last search, 0 when none.
    int foundRate() const { return m_foundRate; }
    // The index of the log piece where the found rate's section began, -1 when none.
    int foundPiece() const { return m_foundPiece; }
    // Time the rest of a search takes once probesDone probes went out (the progress line's estimate).
    qint64 estimatedMsLeft(qint64 probesDone) const;
    // "Accept" on TCP: the gateway command of the found rate (nothing for other rates).
    void accept();

private:
    enum class State { Idle, Breaking, Discarding, Replying, Collecting };

    void log(const QString &text, int colour = Default);
    void startRate(qint64 nowMs);
    void startProbe(qint64 nowMs);
    void takeReply(qint64 nowMs);
    void nextProbe(qint64 nowMs);
    void skipRate(const QString &error, qint64 nowMs);
    void endSearch();
    const SearchRate &rate() const { return rates()[size_t(m_rate)]; }

    Options m_options;
    QList<QByteArray> m_probes;
    State m_state = State::Idle;
    int m_rate = 0;
    int m_probe = 0;
    bool m_stopRequested = false;
    QByteArray m_input;
    int m_pieces = 0;
    int m_rateSectionPiece = 0;
    int m_foundRate = 0;
    int m_foundPiece = -1;
    QString m_foundReply; // the device's answer at the found rate
};

} // namespace korvo
