#pragma once

// Serial and socket links for engine tests: they record every write with the virtual time it happened and
// let a test deliver data, failures and disconnections. Bytes can also wait unannounced, as in the system's
// buffer while the program is busy: hasBytesWaiting() sees them, the next delivery hands them over first.

#include "fakeclock.h"
#include "link/linkfactory.h"

#include <QList>

namespace korvo {

struct TimedWrite
{
    qint64 at;
    QByteArray bytes;
    bool operator==(const TimedWrite &other) const = default;
};

class FakeSerialLink final : public SerialLink
{
public:
    explicit FakeSerialLink(const FakeClock &clock) : m_clock(clock) {}

    bool open(const QString &portName, const QString &settings) override
    {
        ++opens;
        lastPortName = portName;
        lastSettings = settings;
        if (!openError.isEmpty()) {
            m_error = openError;
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override
    {
        if (m_open)
            ++closes;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    QString portName() const override { return lastPortName; }
    bool setSettings(const QString &settings) override
    {
        lastSettings = settings;
        return true;
    }
    bool write(const QByteArray &data) override
    {
        if (!m_open || !writeError.isEmpty()) {
            m_error = writeError.isEmpty() ? QStringLiteral("port not open") : writeError;
            return false;
        }
        writes.append({m_clock.nowMs(), data});
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_incoming, QByteArray()); }
    bool hasBytesWaiting() const override { return !m_unannounced.isEmpty(); }
    qint64 bytesAvailable() const override { return m_incoming.size(); }
    void setRts(bool on) override { rts = on; }
    void setDtr(bool on) override { dtr = on; }
    QString errorString() const override { return m_error; }

    // Announces data, after whatever was waiting unannounced.
    void deliver(const QByteArray &data)
    {
        m_incoming += std::exchange(m_unannounced, QByteArray()) + data;
        emit readyRead();
    }
    // The bytes have arrived but the event loop has not looked yet.
    void holdUnannounced(const QByteArray &data) { m_unannounced += data; }
    void vanish(const QString &description)
    {
        m_open = false;
        emit lost(description);
    }
    QByteArray written() const
    {
        QByteArray all;
        for (const TimedWrite &w : writes)
            all += w.bytes;
        return all;
    }

    QString openError;
    QString writeError;
    QString lastPortName;
    QString lastSettings;
    QList<TimedWrite> writes;
    int opens = 0;
    int closes = 0;
    bool rts = false;
    bool dtr = false;

private:
    const FakeClock &m_clock;
    QByteArray m_incoming;
    QByteArray m_unannounced;
    QString m_error;
    bool m_open = false;
};

class FakeSocketLink final : public SocketLink
{
public:
    explicit FakeSocketLink(const FakeClock &clock) : m_clock(clock) {}

    bool connectToHost(const QString &host, quint16 port) override
    {
        ++connects;
        lastHost = host;
        lastPort = port;
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isConnected() const override { return m_open; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override
    {
        if (!m_open || !writeError.isEmpty()) {
            m_error = writeError.isEmpty() ? QStringLiteral("socket not connected") : writeError;
            return false;
        }
        writes.append({m_clock.nowMs(), data});
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_incoming, QByteArray()); }
    bool hasBytesWaiting() const override { return !m_unannounced.isEmpty(); }
    QString errorString() const override { return m_error; }

    // Announces data, after whatever was waiting unannounced.
    void deliver(const QByteArray &data)
    {
        m_incoming += std::exchange(m_unannounced, QByteArray()) + data;
        emit readyRead();
    }
    // The bytes have arrived but the event loop has not looked yet.
    void holdUnannounced(const QByteArray &data) { m_unannounced += data; }
    void fail(int number, const QString &description)
    {
        m_open = false;
        emit errorOccurred(number, description);
    }
    QByteArray written() const
    {
        QByteArray all;
        for (const TimedWrite &w : writes)
            all += w.bytes;
        return all;
    }

    QString writeError;
    QString lastHost;
    quint16 lastPort = 0;
    QList<TimedWrite> writes;
    int connects = 0;

private:
    const FakeClock &m_clock;
    QByteArray m_incoming;
    QByteArray m_unannounced;
    QString m_error;
    bool m_open = false;
};

class FakeLinkFactory final : public LinkFactory
{
public:
    explicit FakeLinkFactory(const FakeClock &clock) : m_clock(clock) {}
    std::unique_ptr<SerialLink> createSerial() override
    {
        auto link = std::make_unique<FakeSerialLink>(m_clock);
        serial = link.get();
        serial->openError = openError;
        return link;
    }
    std::unique_ptr<SocketLink> createSocket() override
    {
        auto link = std::make_unique<FakeSocketLink>(m_clock);
        socket = link.get();
        return link;
    }
    QList<SerialPortEntry> availablePorts() const override { return ports; }

    QList<SerialPortEntry> ports; // what the system lists: tests plug and unplug adapters here
    QString openError;            // handed to the serial link when it is made
    FakeSerialLink *serial = nullptr;
    FakeSocketLink *socket = nullptr;

private:
    const FakeClock &m_clock;
};

} // namespace korvo
