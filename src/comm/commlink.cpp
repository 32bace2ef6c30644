#include "commlink.h"

#include "app/appstate.h"
#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "comm/linkfactory.h"
#include "comm/portnames.h"

#include <cmath>
#include <utility>

namespace korvo {

namespace {
constexpr int kGranularityMs = 55; // the smallest pause used anywhere
constexpr int kSendReplyExtraMs = 500;
constexpr int kWaitExtraMs = 100;
} // namespace

CommLink::CommLink(CommWindowSettings &settings, Clock &clock, LinkFactory &factory, QObject *parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_factory(factory)
{
    m_delayTimer = m_clock.createTimer([this] { onDelayTimer(); });
    m_replyTimer = m_clock.createTimer([this] { onReplyTimer(); });
    m_paceTimer = m_clock.createTimer([this] { continueSend(); });
}

CommLink::~CommLink()
{
    // Callers are going away too: drop their callbacks instead of running them.
    m_sendQueue.clear();
    m_delayDone.clear();
    m_waitDone = nullptr;
    if (m_serial)
        m_serial->disconnect(this);
    if (m_socket)
        m_socket->disconnect(this);
}

bool CommLink::isConnected() const
{
    return m_settings.connected;
}

bool CommLink::isTcp() const
{
    return m_settings.tcpipEnabled;
}

bool CommLink::isPortOpen() const
{
    return m_serial && m_serial->isOpen();
}

QString CommLink::deviceName() const
{
    return isTcp() ? m_settings.tcpAddress : serialDeviceName(m_settings);
}

void CommLink::ensureLinks()
{
    if (!m_serial) {
        m_serial = m_factory.createSerial();
        connect(m_serial.get(), &SerialLink::readyRead, this, &CommLink::onSerialReadyRead);
        connect(m_serial.get(), &SerialLink::lost, this, &CommLink::onSerialLost);
    }
    if (!m_socket) {
        m_socket = m_factory.createSocket();
        connect(m_socket.get(), &SocketLink::readyRead, this, &CommLink::onSocketReadyRead);
        connect(m_socket.get(), &SocketLink::errorOccurred, this, &CommLink::onSocketError);
    }
}

void CommLink::setConnected(bool connected)
{
    m_settings.connected = connected;
    emit connectedChanged(connected);
}

void CommLink::report(const QString &text, const QString &title, PromptIcon icon)
{
    emit errorOccurred(text, title, icon);
}

bool CommLink::openSerial()
{
    if (!m_serial->open(serialDeviceName(m_settings), m_settings.settings))
        return false;
    m_serial->setRts(m_settings.rtsActive);
    m_serial->setDtr(m_settings.dtrActive);
    return true;
}

// Starts the TCP connection; false after reporting when the address is unusable.
static bool startSocket(SocketLink &socket, const QString &address, QString *error)
{
    const TcpEndpoint endpoint = parseTcpAddress(address);
    if (!endpoint.valid) {
        *error = QStringLiteral("\"%1\" is not a usable TCP address (host or host:port).").arg(address);
        return false;
    }
    if (!socket.connectToHost(endpoint.host, endpoint.port)) {
        *error = socket.errorString();
        return false;
    }
    return true;
}

void CommLink::connectComm(bool connect)
{
    if (connect == m_settings.connected)
        return;
    ensureLinks();
    if (!connect) {
        setConnected(false);
        abandonSends();
        m_socket->close();
        if (m_serial->isOpen())
            m_serial->close();
        emit statusText(QStringLiteral("connect"), QStringLiteral("Disconnected "));
        return;
    }
    // Connected is set before opening and stays set when opening fails, so "Disconnect" remains the
    // way back; the socket's own error notification disconnects.
    setConnected(true);
    if (isTcp()) {
        if (m_serial->isOpen())
            m_serial->close();
        QString error;
        if (!startSocket(*m_socket, m_settings.tcpAddress, &error)) {
            report(error, QString(), PromptIcon::Information);
            return;
        }
    } else {
        m_socket->close();
        if (!m_serial->isOpen() && !openSerial()) {
            report(m_serial->errorString(), QString(), PromptIcon::Information);
            return;
        }
    }
    emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
}

void CommLink::applyCommSettings()
{
    ensureLinks();
    abandonSends();
    if (m_serial->isOpen())
        m_serial->close();
    m_socket->close();
    m_receiveMode = kTerminalMode;

    if (!m_settings.connected) {
        emit statusText(QStringLiteral("connect"), QStringLiteral("Disconnected "));
    } else if (!isTcp()) {
        if (openSerial()) {
            emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
        } else {
            setConnected(false);
            emit statusText(QStringLiteral("connect"), QStringLiteral("Disconnected "));
            report(m_serial->errorString(), QString(), PromptIcon::Information);
        }
    } else if (m_settings.tcpAddress.trimmed().isEmpty()) {
        connectComm(false);
    } else {
        QString error;
        if (startSocket(*m_socket, m_settings.tcpAddress, &error))
            emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
        else
            report(error, QString(), PromptIcon::Information);
    }
    refreshPanels();
}

void CommLink::refreshPanels()
{
    if (isTcp())
        emit statusText(QStringLiteral("comm"), QStringLiteral(" ") + m_settings.tcpAddress);
    else
        emit statusText(QStringLiteral("comm"), serialDeviceName(m_settings) + QStringLiteral(" : ") +
                                                    m_settings.settings.section(u',', 0, 0));
    emit statusText(QStringLiteral("device"), QStringLiteral(" ") + korvo::deviceName(m_settings.device));
    emit panelEnabled(QStringLiteral("can"), m_settings.canInterface);
}

void CommLink::release()
{
    ensureLinks();
    abandonSends();
    if (m_serial->isOpen())
        m_serial->close();
    m_socket->close();
}

void CommLink::reclaim()
{
    applyCommSettings();
}

// ---- sending

void CommLink::sendToComm(const QByteArray &data, bool delay, SendDone done)
{
    const char lineEnd = app().lineEnd.isEmpty() ? '\r' : char(app().lineEnd.at(0).unicode());
    m_sendQueue.push_back({data, delay, lineEnd, std::move(done)});
    startNextSend();
}

void CommLink::startNextSend()
{
    if (m_sending || m_sendQueue.empty())
        return;
    m_sending = true;
    m_sendPos = 0;
    continueSend();
}

bool CommLink::writeOut(const QByteArray &bytes)
{
    ensureLinks();
    return isTcp() ? m_socket->write(bytes) : m_serial->write(bytes);
}

void CommLink::continueSend()
{
    if (!m_sending || m_sendQueue.empty())
        return;
    const PendingSend &job = m_sendQueue.front();
    if (isTcp()) {
        // Characters whose pause is 0 go out together; a pause is a state that the pace timer ends.
        QByteArray chunk;
        while (m_sendPos < job.data.size()) {
            const char c = job.data.at(m_sendPos++);
            chunk += c;
            const int pause =
                (c == job.lineEnd && job.delay) ? m_settings.lineDelay + 10 : m_settings.charDelay;
            if (pause > 0) {
                if (!writeOut(chunk))
                    return failSend();
                m_paceTimer->start(pause);
                return;
            }
        }
        if (!chunk.isEmpty() && !writeOut(chunk))
            return failSend();
    } else if (m_sendPos < job.data.size()) {
        // A serial port keeps the characters in order at its own rate: no pauses.
        m_sendPos = job.data.size();
        if (!writeOut(job.data))
            return failSend();
    }
    startReplyTimer(int(std::min<qsizetype>(job.data.size(), 32767)), kSendReplyExtraMs);
    finishSend(true);
}

void CommLink::failSend()
{
    const QString error = isTcp() ? m_socket->errorString() : m_serial->errorString();
    finishSend(false);
    // The rest of the queue would fail the same way: drop it without further messages.
    abandonSends();
    report(error, QString(), PromptIcon::Information);
}

void CommLink::finishSend(bool ok)
{
    PendingSend job = std::move(m_sendQueue.front());
    m_sendQueue.pop_front();
    m_sending = false;
    m_paceTimer->stop();
    if (job.done)
        job.done(ok);
    if (ok)
        startNextSend();
}

void CommLink::abandonSends()
{
    m_paceTimer->stop();
    m_sending = false;
    std::deque<PendingSend> dropped;
    dropped.swap(m_sendQueue);
    for (PendingSend &job : dropped)
        if (job.done)
            job.done(false);
}

bool CommLink::writeToPort(const QByteArray &data)
{
    ensureLinks();
    if (m_serial->write(data))
        return true;
    report(m_serial->errorString(), QString(), PromptIcon::Information);
    return false;
}

void CommLink::sendTypedChar(char c)
{
    if (!m_settings.connected)
        return;
    QByteArray bytes(1, c);
    if (!isTcp() && c == '\r' && m_settings.translateCR)
        bytes += '\n';
    if (writeOut(bytes))
        return;
    const QString error = isTcp() ? m_socket->errorString() : m_serial->errorString();
    connectComm(false);
    report(error, QStringLiteral("Comm Port Error"), PromptIcon::Critical);
}

// ---- timers and waits

void CommLink::delayMSec(int ms, std::function<void()> done)
{
    if (ms <= 0) {
        if (done)
            done();
        return;
    }
    // A pause started during another one restarts the delay timer; both end together.
    m_delayDone.push_back(std::move(done));
    m_delayTimer->stop();
    m_delayTimer->start(ms);
}

bool CommLink::isDelaying() const
{
    return !m_delayDone.empty();
}

void CommLink::onDelayTimer()
{
    std::vector<std::function<void()>> done;
    done.swap(m_delayDone);
    for (auto &callback : done)
        if (callback)
            callback();
}

void CommLink::startReplyTimer(int chars, int extraMs)
{
    const int baud = baudOfSettings(m_settings.settings);
    // Ten bit times per character; the reciprocal is single precision and rounding is to even.
    int msPerChar = 0;
    if (baud > 0) {
        const float reciprocal = 1.0f / float(baud);
        msPerChar = int(std::nearbyint(double(reciprocal) * 1000.0 * 10.0));
    }
    const int perChar =
        msPerChar + (m_settings.charDelay >= kGranularityMs ? m_settings.charDelay : kGranularityMs);
    qint64 total = qint64(chars) * perChar;
    total += m_settings.lineDelay >= kGranularityMs ? m_settings.lineDelay : kGranularityMs;
    if (total < kGranularityMs)
        total = kGranularityMs;
    m_replyTimer->stop();
    m_timedOut = false;
    m_replyTimer->start(int(std::min<qint64>(total + extraMs, INT_MAX)));
}

void CommLink::restartReplyTimer()
{
    m_replyTimer->stop();
    m_replyTimer->restart();
}

void CommLink::stopReplyTimer()
{
    m_replyTimer->stop();
}

bool CommLink::replyTimerActive() const
{
    return m_replyTimer->isActive();
}

int CommLink::replyTimerInterval() const
{
    return m_replyTimer->interval();
}

void CommLink::onReplyTimer()
{
    m_timedOut = true;
    if (isWaiting())
        endWait(true);
    emit replyTimeout();
}

void CommLink::waitForResults(int chars, WaitDone done)
{
    if (isWaiting())
        endWait(true);
    startReplyTimer(chars, kWaitExtraMs);
    m_timedOut = false;
    m_waitDone = std::move(done);
    if (m_receiveMode <= 0)
        endWait(false);
}

void CommLink::endWait(bool timedOut)
{
    m_replyTimer->stop();
    WaitDone done = std::exchange(m_waitDone, nullptr);
    if (done)
        done(timedOut);
}

void CommLink::setReceiveMode(int mode)
{
    m_receiveMode = mode;
    if (mode <= 0 && isWaiting())
        endWait(false);
}

void CommLink::sendCanComm(const QByteArray &msg, int mode, int extraLen, CanDone done)
{
    m_receiveMode = mode;
    emit collectorReset();
    if (!writeToPort(msg)) {
        if (done)
            done(false);
        return;
    }
    waitForResults(int(msg.size()) + extraLen, [done = std::move(done)](bool timedOut) {
        if (done)
            done(!timedOut || app().noReplyCheck);
    });
}

void CommLink::endWaits()
{
    abandonSends();
    m_delayTimer->stop();
    m_replyTimer->stop();
    m_timedOut = true;
    onDelayTimer();
    if (isWaiting())
        endWait(true);
}

void CommLink::shutdown()
{
    endWaits();
    if (m_serial) {
        m_serial->disconnect(this);
        if (m_serial->isOpen())
            m_serial->close();
    }
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->close();
    }
}

// ---- notifications

void CommLink::onSerialReadyRead()
{
    const QByteArray data = m_serial->readAll();
    if (!data.isEmpty())
        emit dataReceived(data);
}

void CommLink::onSerialLost(const QString &description)
{
    if (isTcp() || !m_settings.connected)
        return;
    connectComm(false);
    report(description, QStringLiteral("Comm Port Error"), PromptIcon::Information);
    emit linkLost();
}

void CommLink::onSocketReadyRead()
{
    const QByteArray data = m_socket->readAll();
    if (!data.isEmpty())
        emit dataReceived(data);
}

void CommLink::onSocketError(int number, const QString &description)
{
    const bool wasConnected = m_settings.connected && isTcp();
    connectComm(false);
    report(QStringLiteral("WinSock Error: ") + QString::number(number) + QStringLiteral(" is ") + description,
           QStringLiteral("Winsock Error"), PromptIcon::Information);
    if (wasConnected)
        emit linkLost();
}

} // namespace korvo
