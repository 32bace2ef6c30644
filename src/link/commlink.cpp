#include "commlink.h"

#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "link/linetrace.h"
#include "link/linkfactory.h"
#include "link/portnames.h"
#include "settings/preferences.h"

#include <utility>

namespace korvo {

CommLink::CommLink(CommWindowSettings &settings, Clock &clock, LinkFactory &factory, QObject *parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_factory(factory),
      m_sends(settings, clock,
              {[this](const QByteArray &bytes) { return writeOut(bytes); }, [this] { return linkError(); },
               [this](quint64 owner) { sendsWritten(owner); },
               [this](quint64 owner, const QString &error) { sendFailed(owner, error); }}),
      m_slot(
          clock, [this](const LinkAction &action) { return applyAction(action); },
          [this] { return bytesWaiting(); }),
      m_followTimer(clock.createTimer([this] {
          if (m_follow == Follow::Adapter)
              lookForAdapter();
          else if (m_follow == Follow::Gateway)
              retryGateway();
      }))
{
}

CommLink::~CommLink()
{
    // The engine's owner is going away too: nothing more reaches it.
    m_slot.clear();
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
        connect(m_socket.get(), &SocketLink::connected, this, &CommLink::onSocketConnected);
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

CommLink::SerialOpen CommLink::openTerminalSerial()
{
    const QList<SerialPortEntry> ports = m_factory.availablePorts();
    bool moved = false;
    if (m_settings.adapter.isSet()) {
        // The adapter is found by what it is, not where it was: another one may have its old path now.
        const SerialPortEntry *adapter = findAdapter(ports, m_settings.adapter, serialDeviceName(m_settings));
        if (!adapter)
            return SerialOpen::AdapterAway;
        moved = findPort(ports, serialDeviceName(m_settings)) != adapter;
        if (moved)
            m_settings.portName = adapter->path;
    }
    if (!openSerial())
        return SerialOpen::Failed;
    const SerialPortEntry *opened = findPort(ports, serialDeviceName(m_settings));
    m_settings.adapter = opened ? opened->adapter : AdapterIdentity();
    if (moved)
        refreshPanels();
    return SerialOpen::Opened;
}

void CommLink::waitForAdapter()
{
    m_follow = Follow::Adapter;
    m_sends.drop(0);
    emit statusText(QStringLiteral("connect"),
                    QStringLiteral("waiting for ") + (m_settings.adapter.isSet()
                                                          ? adapterText(m_settings.adapter)
                                                          : serialDeviceName(m_settings)));
    m_followTimer->start(kAdapterPollMs);
}

void CommLink::lookForAdapter()
{
    // A job started meanwhile has the line; the terminal takes it back afterwards. A device just plugged in
    // may refuse to open for a moment (its permissions are set a little later), and a port without a USB
    // identity is only known by its path, which refuses to open until the device is back: both are tried
    // again.
    if (!m_slot.engine() && openTerminalSerial() == SerialOpen::Opened) {
        stopFollowing();
        emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
        return;
    }
    m_followTimer->start(kAdapterPollMs);
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

// "127.0.0.1:5030", "[::1]:503"
static QString endpointText(const QString &address)
{
    const TcpEndpoint endpoint = parseTcpAddress(address);
    const QString host = endpoint.host.contains(u':') ? u'[' + endpoint.host + u']' : endpoint.host;
    return host + u':' + QString::number(endpoint.port);
}

bool CommLink::connectGateway(QString *error)
{
    if (!startSocket(*m_socket, m_settings.tcpAddress, error))
        return false;
    // The gateway keeps its line rate only while it runs: a gateway that restarted is back at its own
    // default, so every connection of the terminal sets the terminal's rate first (the socket holds it
    // until the connection is up, ahead of anything typed meanwhile).
    const QByteArray rate = gatewayRateCommand(baudOfSettings(m_settings.settings));
    if (!rate.isEmpty() && !writeOut(rate)) {
        *error = m_socket->errorString();
        m_socket->close();
        return false;
    }
    return true;
}

void CommLink::waitForGateway()
{
    m_follow = Follow::Gateway;
    m_sends.drop(0);
    m_retryMs = m_retryMs == 0 ? kFirstRetryMs : std::min(2 * m_retryMs, kLongestRetryMs);
    emit statusText(QStringLiteral("connect"),
                    QStringLiteral("reconnecting to %1 in %2 s")
                        .arg(endpointText(m_settings.tcpAddress), QString::number(m_retryMs / 1000.0)));
    m_followTimer->start(m_retryMs);
}

void CommLink::retryGateway()
{
    QString error;
    if (m_slot.engine() || !connectGateway(&error)) {
        waitForGateway();
        return;
    }
    emit statusText(QStringLiteral("connect"),
                    QStringLiteral("reconnecting to %1").arg(endpointText(m_settings.tcpAddress)));
}

void CommLink::stopFollowing()
{
    m_follow = Follow::Off;
    m_retryMs = 0;
    m_followTimer->stop();
}

void CommLink::connectComm(bool connect)
{
    if (connect == m_settings.connected)
        return;
    ensureLinks();
    stopFollowing();
    if (!connect) {
        setConnected(false);
        m_sends.drop(0);
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
        if (!connectGateway(&error)) {
            report(error, QString(), PromptIcon::Information);
            return;
        }
    } else {
        m_socket->close();
        if (!m_serial->isOpen()) {
            switch (openTerminalSerial()) {
            case SerialOpen::Opened:
                break;
            case SerialOpen::AdapterAway:
                waitForAdapter();
                return;
            case SerialOpen::Failed:
                report(m_serial->errorString(), QString(), PromptIcon::Information);
                return;
            }
        }
    }
    emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
}

void CommLink::closeSocket()
{
    if (!m_socket)
        return;
    if (m_follow == Follow::Gateway)
        stopFollowing();
    if (isTcp())
        m_sends.drop(0);
    m_socket->close();
}

bool CommLink::isSocketOpen() const
{
    return m_socket && m_socket->isOpen();
}

void CommLink::applyCommSettings()
{
    ensureLinks();
    stopFollowing();
    m_sends.drop(0);
    if (m_serial->isOpen())
        m_serial->close();
    m_socket->close();

    if (!m_settings.connected) {
        emit statusText(QStringLiteral("connect"), QStringLiteral("Disconnected "));
    } else if (!isTcp()) {
        switch (openTerminalSerial()) {
        case SerialOpen::Opened:
            emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
            break;
        case SerialOpen::AdapterAway:
            waitForAdapter();
            break;
        case SerialOpen::Failed:
            setConnected(false);
            emit statusText(QStringLiteral("connect"), QStringLiteral("Disconnected "));
            report(m_serial->errorString(), QString(), PromptIcon::Information);
            break;
        }
    } else if (m_settings.tcpAddress.trimmed().isEmpty()) {
        connectComm(false);
    } else {
        QString error;
        if (connectGateway(&error))
            emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
        else
            report(error, QString(), PromptIcon::Information);
    }
    refreshPanels();
}

void CommLink::refreshPanels()
{
    // Over TCP the rate is the gateway's line rate, which the terminal sets at every connection.
    const QString rate = QStringLiteral(" : ") + m_settings.settings.section(u',', 0, 0);
    if (isTcp())
        emit statusText(QStringLiteral("comm"), QStringLiteral(" ") + m_settings.tcpAddress + rate);
    else
        emit statusText(QStringLiteral("comm"), serialDeviceName(m_settings) + rate);
    emit statusText(QStringLiteral("device"), QStringLiteral(" ") + korvo::deviceName(m_settings.device));
    emit panelEnabled(QStringLiteral("can"), m_settings.canInterface);
}

// ---- sending

bool CommLink::refusedWhileHeld()
{
    // A job's reply would take in whatever the terminal sent meanwhile, and the device would answer it
    // into the job's result: nothing of the terminal's own goes out while a job holds the link.
    if (!m_slot.engine())
        return false;
    emit inputRefused(busyText());
    return true;
}

void CommLink::sendToComm(const QByteArray &data, bool delay, char lineEnd)
{
    if (!data.isEmpty() && m_follow == Follow::Off && !refusedWhileHeld())
        m_sends.push(data, delay, lineEnd, 0);
}

bool CommLink::writeOut(const QByteArray &bytes)
{
    ensureLinks();
    if (!(isTcp() ? m_socket->write(bytes) : m_serial->write(bytes)))
        return false;
    if (m_trace)
        m_trace->record(TraceEvent::Kind::Sent, bytes);
    return true;
}

void CommLink::sendsWritten(quint64 owner)
{
    if (!leaseActive(owner))
        return;
    m_slot.engine()->outputWritten(nowMs());
    m_slot.pump();
}

void CommLink::sendFailed(quint64 owner, const QString &error)
{
    if (owner == 0) {
        report(error, QString(), PromptIcon::Information);
    } else if (leaseActive(owner)) {
        m_slot.engine()->writeFailed(error, nowMs());
        m_slot.pump();
    }
}

bool CommLink::writeToPort(const QByteArray &data)
{
    if (refusedWhileHeld())
        return false;
    ensureLinks();
    if (m_serial->write(data)) {
        if (m_trace)
            m_trace->record(TraceEvent::Kind::Sent, data);
        return true;
    }
    report(m_serial->errorString(), QString(), PromptIcon::Information);
    return false;
}

void CommLink::sendTypedChar(char c)
{
    if (!m_settings.connected || m_follow != Follow::Off || refusedWhileHeld())
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

QString CommLink::busyText() const
{
    if (!m_slot.engine())
        return {};
    return QStringLiteral("%1 is running on this terminal: wait for it to end, or cancel it, then try again.")
        .arg(m_job);
}

EngineLease CommLink::attach(DeviceEngine &engine, const QString &job, EventSink sink, LeaseKind kind)
{
    if (m_slot.engine())
        return EngineLease::refused(busyText());
    ensureLinks();
    // What the terminal still had queued (a paste going out) would be answered into the job's result.
    m_sends.drop(0);
    m_leaseKind = kind;
    m_job = job;
    if (m_trace)
        m_trace->record(TraceEvent::Kind::JobStart, job.toUtf8());
    const quint64 id = m_slot.hold(engine, std::move(sink));

    QString error;
    if (kind == LeaseKind::Exclusive && !openForEngine(&error)) {
        engine.linkLost(error, nowMs());
        m_slot.pump();
    } else {
        engine.start(nowMs());
        m_slot.pump();
    }
    return EngineLease(this, id);
}

bool CommLink::openForEngine(QString *error)
{
    m_sends.drop(0);
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

bool CommLink::applyAction(const LinkAction &action)
{
    switch (action.kind) {
    case LinkAction::Kind::Write:
        if (!writeOut(action.bytes)) {
            m_slot.engine()->writeFailed(linkError(), nowMs());
            return false;
        }
        return true;
    case LinkAction::Kind::WritePaced:
        m_sends.push(action.bytes, action.linePause, action.lineEnd, m_slot.id());
        return true;
    case LinkAction::Kind::SetSettings:
        if (!isTcp() && !m_serial->setSettings(action.settings)) {
            m_slot.engine()->writeFailed(m_serial->errorString(), nowMs());
            return false;
        }
        return true;
    }
    return true;
}

void CommLink::pumpLease(quint64 id)
{
    if (leaseActive(id))
        m_slot.pump();
}

void CommLink::cancelLease(quint64 id)
{
    if (!leaseActive(id))
        return;
    m_slot.engine()->cancel(nowMs());
    m_slot.pump();
}

void CommLink::releaseLease(quint64 id)
{
    if (leaseActive(id))
        detach(true);
}

void CommLink::detach(bool restoreTerminal)
{
    const LeaseKind kind = m_leaseKind;
    if (m_trace)
        m_trace->record(TraceEvent::Kind::JobEnd, m_job.toUtf8());
    m_sends.drop(m_slot.id());
    m_slot.clear();
    m_leaseKind = LeaseKind::Shared;
    m_job.clear();
    // A tool that drove the line itself may have left it at another rate, or opened it for itself.
    if (restoreTerminal && kind == LeaseKind::Exclusive)
        applyCommSettings();
    m_sends.resume();
}

void CommLink::shutdown()
{
    stopFollowing();
    if (m_slot.engine()) {
        m_slot.engine()->cancel(nowMs());
        detach(false);
    }
    m_sends.drop(0);
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
    if (m_trace)
        m_trace->record(TraceEvent::Kind::Received, data);
    if (m_capture)
        m_capture(data);
    if (!m_slot.engine()) {
        emit dataReceived(data);
        return;
    }
    if (m_slot.engine()->showsReceived())
        emit dataReceived(data);
    if (m_slot.engine()) {
        m_slot.engine()->bytesReceived(data, nowMs());
        m_slot.pump();
    }
}

bool CommLink::bytesWaiting() const
{
    return isTcp() ? m_socket && m_socket->hasBytesWaiting() : m_serial && m_serial->hasBytesWaiting();
}

void CommLink::lost(const QString &reason)
{
    if (!m_slot.engine())
        return;
    m_slot.engine()->linkLost(reason, nowMs());
    m_slot.pump();
}

void CommLink::onSerialReadyRead()
{
    received(m_serial->readAll());
}

void CommLink::onSerialLost(const QString &description)
{
    if (isTcp() || (!m_slot.engine() && !m_settings.connected))
        return;
    if (!m_slot.engine()) {
        waitForAdapter();
        report(description +
                   QStringLiteral("\nThe terminal connects again when the device is back; Disconnect stops "
                                  "waiting."),
               QStringLiteral("Comm Port Error"), PromptIcon::Exclamation);
        return;
    }
    // A device dialogue reports the loss itself, once, as the reason its job ended.
    connectComm(false);
    lost(description);
}

void CommLink::onSocketConnected()
{
    m_socketUp = true;
    if (m_follow != Follow::Gateway)
        return;
    stopFollowing();
    emit statusText(QStringLiteral("connect"), QStringLiteral("Connected "));
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
    const bool wasUp = std::exchange(m_socketUp, false);
    // A connection that was up, or an attempt to bring it back, is tried again while no job holds the link.
    if (wasConnected && !m_slot.engine() && (wasUp || m_follow == Follow::Gateway)) {
        waitForGateway();
        return;
    }
    connectComm(false);
    if (DeviceEngine *engine = m_slot.engine()) {
        engine->linkFailed(number, description, text, nowMs());
        // A tool driving the line itself that goes on (the comm search tries its next rate) gets it back.
        QString error;
        if (m_leaseKind == LeaseKind::Exclusive && !engine->isFinished() && !openForEngine(&error))
            engine->linkLost(error, nowMs());
        m_slot.pump();
        return;
    }
    report(text, QStringLiteral("Winsock Error"), PromptIcon::Information);
    if (wasConnected)
        emit linkLost();
}

} // namespace korvo
