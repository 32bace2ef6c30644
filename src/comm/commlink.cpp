#include "commlink.h"

#include "app/appstate.h"
#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "comm/linkfactory.h"
#include "comm/portnames.h"

#include <utility>

namespace korvo {

CommLink::CommLink(CommWindowSettings &settings, Clock &clock, LinkFactory &factory, QObject *parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_factory(factory)
{
    m_paceTimer = m_clock.createTimer([this] {
        m_sendPaused = false;
        continueSend();
    });
    m_engineTimer = m_clock.createTimer([this] {
        if (!m_engine)
            return;
        m_engine->timerFired(nowMs());
        pump();
    });
}

CommLink::~CommLink()
{
    // The engine's owner is going away too: nothing more reaches it.
    m_engine = nullptr;
    m_sink = nullptr;
    if (m_serial)
        m_serial->disconnect(this);
    if (m_socket)
        m_socket->disconnect(this);
}

qint64 CommLink::nowMs() const
{
    return m_clock.nowMs();
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

QString CommLink::linkError() const
{
    return isTcp() ? m_socket->errorString() : m_serial->errorString();
}

bool CommLink::openSerial()
{
    if (!m_serial->open(serialDeviceName(m_settings), m_settings.settings))
        return false;
    m_serial->setRts(m_settings.rtsActive);
    m_serial->setDtr(m_settings.dtrActive);
    return true;
}

// Starts the TCP connection; false with the reason when the address is unusable.
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
        dropSends(0);
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

void CommLink::closeSocket()
{
    if (!m_socket)
        return;
    if (isTcp())
        dropSends(0);
    m_socket->close();
}

bool CommLink::isSocketOpen() const
{
    return m_socket && m_socket->isOpen();
}

void CommLink::applyCommSettings()
{
    ensureLinks();
    dropSends(0);
    if (m_serial->isOpen())
        m_serial->close();
    m_socket->close();

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

// ---- sending

void CommLink::sendToComm(const QByteArray &data, bool delay, char lineEnd)
{
    if (data.isEmpty())
        return;
    m_sendQueue.push_back({data, delay, lineEnd, 0});
    startNextSend();
}

void CommLink::startNextSend()
{
    if (m_sendPaused || m_sendQueue.empty())
        return;
    continueSend();
}

bool CommLink::writeOut(const QByteArray &bytes)
{
    ensureLinks();
    return isTcp() ? m_socket->write(bytes) : m_serial->write(bytes);
}

void CommLink::continueSend()
{
    while (!m_sendPaused && !m_sendQueue.empty()) {
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
                        return failSend(linkError());
                    m_sendPaused = true;
                    m_paceTimer->start(pause);
                    return;
                }
            }
            if (!chunk.isEmpty() && !writeOut(chunk))
                return failSend(linkError());
        } else if (!writeOut(job.data)) {
            // A serial port keeps the characters in order at its own rate: no pauses.
            return failSend(linkError());
        }
        const quint64 owner = job.leaseId;
        m_sendQueue.pop_front();
        m_sendPos = 0;
        const bool ownerIdle = std::none_of(m_sendQueue.begin(), m_sendQueue.end(),
                                            [owner](const PendingSend &s) { return s.leaseId == owner; });
        if (owner != 0 && ownerIdle && leaseActive(owner)) {
            m_engine->outputWritten(nowMs());
            pump();
        }
    }
}

void CommLink::failSend(const QString &error)
{
    const quint64 owner = m_sendQueue.front().leaseId;
    // The rest of that sender's queue would fail the same way: drop it without further messages.
    dropSends(owner);
    if (owner == 0) {
        report(error, QString(), PromptIcon::Information);
    } else if (leaseActive(owner)) {
        m_engine->writeFailed(error, nowMs());
        pump();
    }
    startNextSend();
}

void CommLink::dropSends(quint64 leaseId)
{
    if (!m_sendQueue.empty() && m_sendQueue.front().leaseId == leaseId) {
        m_paceTimer->stop();
        m_sendPaused = false;
        m_sendPos = 0;
    }
    std::erase_if(m_sendQueue, [leaseId](const PendingSend &s) { return s.leaseId == leaseId; });
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
    if (!m_settings.connected || (m_engine && m_leaseKind == LeaseKind::Exclusive))
        return;
    QByteArray bytes(1, c);
    if (!isTcp() && c == '\r' && m_settings.translateCR)
        bytes += '\n';
    if (writeOut(bytes))
        return;
    const QString error = linkError();
    connectComm(false);
    report(error, QStringLiteral("Comm Port Error"), PromptIcon::Critical);
}

// ---- engines

EngineLease CommLink::attach(DeviceEngine &engine, EventSink sink, LeaseKind kind)
{
    if (m_engine) {
        const quint64 previous = m_leaseId;
        cancelLease(previous);
        releaseLease(previous);
    }
    ensureLinks();
    m_engine = &engine;
    m_sink = std::move(sink);
    m_leaseKind = kind;
    m_leaseId = m_nextLeaseId++;
    const quint64 id = m_leaseId;
    emit receiveModeChanged(engine.receiveMode());

    QString error;
    if (kind == LeaseKind::Exclusive && !openForEngine(&error)) {
        engine.linkLost(error, nowMs());
        pump();
    } else {
        engine.start(nowMs());
        pump();
    }
    return EngineLease(this, id);
}

bool CommLink::openForEngine(QString *error)
{
    dropSends(0);
    if (isTcp()) {
        if (m_serial->isOpen())
            m_serial->close();
        return m_socket->isOpen() || startSocket(*m_socket, m_settings.tcpAddress, error);
    }
    m_socket->close();
    if (m_serial->isOpen() || openSerial())
        return true;
    *error = m_serial->errorString();
    return false;
}

int CommLink::receiveMode() const
{
    return m_engine ? m_engine->receiveMode() : kTerminalMode;
}

void CommLink::pump()
{
    // An engine step may lead its owner to release the lease from the sink; nothing touches the engine
    // after that, and a step started from inside a sink call is finished by the outer one.
    if (m_pumping || !m_engine)
        return;
    m_pumping = true;
    const quint64 id = m_leaseId;
    while (leaseActive(id)) {
        const std::vector<LinkAction> actions = m_engine->takeOutput();
        // After a failed write the rest of the batch would fail the same way: the engine hears it once.
        for (const LinkAction &action : actions)
            if (!leaseActive(id) || !applyAction(action))
                break;
        if (!leaseActive(id))
            break;
        const std::vector<EngineEvent> events = m_engine->takeEvents();
        if (!events.empty() && m_sink)
            m_sink(events);
        // A paced write that completed at once may have produced more output meanwhile.
        if (actions.empty() && events.empty())
            break;
    }
    if (leaseActive(id)) {
        const std::optional<qint64> deadline = m_engine->nextDeadline();
        m_engineTimer->stop();
        if (deadline && !m_engine->isFinished())
            m_engineTimer->start(int(std::clamp<qint64>(*deadline - nowMs(), 0, INT_MAX)));
    }
    m_pumping = false;
}

bool CommLink::applyAction(const LinkAction &action)
{
    switch (action.kind) {
    case LinkAction::Kind::Write:
        if (!writeOut(action.bytes)) {
            m_engine->writeFailed(linkError(), nowMs());
            return false;
        }
        return true;
    case LinkAction::Kind::WritePaced:
        m_sendQueue.push_back({action.bytes, action.linePause, action.lineEnd, m_leaseId});
        startNextSend();
        return true;
    case LinkAction::Kind::SetSettings:
        if (!isTcp() && !m_serial->setSettings(action.settings)) {
            m_engine->writeFailed(m_serial->errorString(), nowMs());
            return false;
        }
        return true;
    }
    return true;
}

void CommLink::pumpLease(quint64 id)
{
    if (leaseActive(id))
        pump();
}

void CommLink::cancelLease(quint64 id)
{
    if (!leaseActive(id))
        return;
    m_engine->cancel(nowMs());
    pump();
}

void CommLink::releaseLease(quint64 id)
{
    if (leaseActive(id))
        detach(true);
}

void CommLink::detach(bool restoreTerminal)
{
    const LeaseKind kind = m_leaseKind;
    dropSends(m_leaseId);
    m_engineTimer->stop();
    m_engine = nullptr;
    m_sink = nullptr;
    m_leaseKind = LeaseKind::Shared;
    emit receiveModeChanged(kTerminalMode);
    // A tool that drove the line itself may have left it at another rate, or opened it for itself.
    if (restoreTerminal && kind == LeaseKind::Exclusive)
        applyCommSettings();
    startNextSend();
}

void CommLink::shutdown()
{
    if (m_engine) {
        m_engine->cancel(nowMs());
        detach(false);
    }
    dropSends(0);
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

void CommLink::received(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    if (m_capture)
        m_capture(data);
    if (!m_engine) {
        emit dataReceived(data);
        return;
    }
    if (m_engine->showsReceived())
        emit dataReceived(data);
    if (m_engine) {
        m_engine->bytesReceived(data, nowMs());
        pump();
    }
}

void CommLink::lost(const QString &reason)
{
    if (!m_engine)
        return;
    m_engine->linkLost(reason, nowMs());
    pump();
}

void CommLink::onSerialReadyRead()
{
    received(m_serial->readAll());
}

void CommLink::onSerialLost(const QString &description)
{
    if (isTcp() || (!m_engine && !m_settings.connected))
        return;
    connectComm(false);
    // A device dialogue reports the loss itself, once, as the reason its job ended.
    if (m_engine) {
        lost(description);
        return;
    }
    report(description, QStringLiteral("Comm Port Error"), PromptIcon::Information);
    emit linkLost();
}

void CommLink::onSocketReadyRead()
{
    received(m_socket->readAll());
}

void CommLink::onSocketError(int number, const QString &description)
{
    const QString text =
        QStringLiteral("WinSock Error: ") + QString::number(number) + QStringLiteral(" is ") + description;
    const bool wasConnected = m_settings.connected && isTcp();
    connectComm(false);
    if (m_engine) {
        lost(text);
        return;
    }
    report(text, QStringLiteral("Winsock Error"), PromptIcon::Information);
    if (wasConnected)
        emit linkLost();
}

} // namespace korvo
