#pragma once

// A terminal window's link to its device (serial port or TCP gateway) and the adapter that carries device
// engines to it. It opens and closes the port or socket, paces what it writes, shows the link's state in
// the status panels, and while an engine holds a lease (attach) feeds it what arrives, arms its deadline
// on the Clock and writes its output. It owns no widgets and never blocks. Failures of the terminal's own
// traffic are reported as errorOccurred events; an engine's failures go to the engine.
//
// A connected terminal follows its device: when the USB adapter it was opened on vanishes, it waits for an
// adapter of the same identity under any device path and opens that (a port without a USB identity is
// waited for at its path); when an established TCP connection drops, it connects again at growing
// intervals. Both show in the "connect" panel and end with Disconnect; a vanished port is also told once.
// A job holding the link when the device goes fails as before, and the terminal is then disconnected.

#include "app/prompt.h"
#include "engine/deviceengine.h"
#include "engine/engineslot.h"
#include "link/enginelease.h"
#include "link/sendqueue.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace korvo {

struct CommWindowSettings;
class Clock;
class LineTrace;
class OneShotTimer;
class LinkFactory;
class SerialLink;
class SocketLink;

class CommLink : public QObject
{
    Q_OBJECT
public:
    enum class LeaseKind {
        Shared,    // the engine talks through the terminal's open link (upload, download, CAN, RAM reads)
        Exclusive, // the engine drives the line itself (rate changes; upgrade, comm search): the port or
                   // socket is opened for it with the terminal's settings even when the terminal is
                   // disconnected, typed keys are held back, and releasing puts the terminal's settings back
    };
    using EventSink = EngineSlot::EventSink;
    using ByteSink = std::function<void(const QByteArray &bytes)>;

    // How often a waiting terminal looks for its adapter; the first and the longest wait between TCP
    // attempts.
    static constexpr int kAdapterPollMs = 500;
    static constexpr int kFirstRetryMs = 500;
    static constexpr int kLongestRetryMs = 10'000;

    // settings is the terminal's slot record; it must outlive the link.
    CommLink(CommWindowSettings &settings, Clock &clock, LinkFactory &factory, QObject *parent = nullptr);
    ~CommLink() override;

    CommWindowSettings &settings() { return m_settings; }
    const CommWindowSettings &settings() const { return m_settings; }
    qint64 nowMs() const;

    // Connect_Comm: open (true) or close (false) the link; does nothing when Connected already says so.
    void connectComm(bool connect);
    bool isConnected() const;
    // Connected, with the device gone: waiting for the adapter to come back or for the next TCP attempt.
    bool isWaiting() const { return m_follow != Follow::Off; }
    bool isTcp() const;
    // The serial port is open (drops are accepted only then).
    bool isPortOpen() const;
    // Closes the TCP socket and keeps Connected (the preferences dialog frees the gateway this way);
    // applyCommSettings() opens it again.
    void closeSocket();
    bool isSocketOpen() const;
    // Serial device or TCP address in use, as shown in the "comm" panel.
    QString deviceName() const;

    // Set_Terminal bit 2: closes the link, opens it again when Connected says so and refreshes the
    // "connect", "comm", "device" and "can" panels. (Stopping capture is the window's part.)
    void applyCommSettings();
    // Shows the link's settings in the "comm", "device" and "can" panels.
    void refreshPanels();

    // Send_To_Comm for the terminal's own traffic (typed lines, drops, function keys): sends data one
    // character at a time; over TCP pauses CharDelay after each character and LineDelay + 10 after lineEnd
    // when delay is set. Sends queue behind each other and behind an engine's paced output.
    void sendToComm(const QByteArray &data, bool delay, char lineEnd = '\r');
    bool isSending() const { return !m_sends.isEmpty(); }
    // Writes bytes to the serial port in one piece, no pacing (Shift+Insert). False on error (reported).
    bool writeToPort(const QByteArray &data);
    // A key typed in the terminal, only while Connected; CR is followed by LF on serial when TranslateCR is
    // set. A failure disconnects and reports a critical "Comm Port Error".
    // These three are refused with inputRefused() while a job holds the link.
    void sendTypedChar(char c);

    // Attaches a device engine for the job named job ("Upload", "Find Comm. Settings"): calls its start() and
    // from then on feeds it. One job at a time: while another holds the link nothing is started, the running
    // job goes on untouched and the lease returned is refused, naming it. A job ends only by finishing, by
    // its owner's cancel or release, or because the link is lost. The sink gets the engine's events after
    // every step (also during attach itself); it may release the lease from inside.
    EngineLease attach(DeviceEngine &engine, const QString &job, EventSink sink,
                       LeaseKind kind = LeaseKind::Shared);
    // Why a job asked for now cannot start, naming the one holding the link; empty while the link is free.
    QString busyText() const;
    bool hasEngine() const { return m_slot.engine() != nullptr; }

    // Capture: sees every received byte first, in every mode. Empty to stop.
    void setCaptureSink(ByteSink sink) { m_capture = std::move(sink); }

    // The line trace: records every byte written and read and where each job starts and ends. Null to stop;
    // the trace must outlive the link or be unset first.
    void setTrace(LineTrace *trace) { m_trace = trace; }

    // The window is closing: the engine is cancelled and detached, the port closed (Connected is kept for
    // the next start).
    void shutdown();

    // Lease plumbing (EngineLease calls these with its id).
    bool leaseActive(quint64 id) const { return m_slot.active(id); }
    void releaseLease(quint64 id);
    void pumpLease(quint64 id);
    void cancelLease(quint64 id);

Q_SIGNALS:
    // Received bytes for the terminal screen: everything while no engine is attached, and what an engine
    // receives when it shows it (download echo).
    void dataReceived(const QByteArray &data);
    // Status-panel text by key: "connect", "comm", "device", "can".
    void statusText(const QString &panelKey, const QString &text);
    // The "can" panel is enabled exactly when CANInterface is set.
    void panelEnabled(const QString &panelKey, bool enabled);
    // Connected changed (keeps the Connect/Disconnect menu items in step).
    void connectedChanged(bool connected);
    // A failure of the terminal's own traffic to show to the user (the window passes it to korvo::ask).
    void errorOccurred(const QString &text, const QString &title, korvo::PromptIcon icon);
    // The gateway refused or dropped the connection and is not tried again (already reported; the link is
    // disconnected).
    void linkLost();
    // The terminal's own traffic was refused because a job holds the link; text names the job.
    void inputRefused(const QString &text);

private:
    enum class Follow { Off, Adapter, Gateway };
    enum class SerialOpen { Opened, Failed, AdapterAway };

    void ensureLinks();
    // True, after saying so, while a job holds the link.
    bool refusedWhileHeld();
    bool openSerial();
    // The terminal's own port: where the system lists its adapter now, when it remembers one; the adapter
    // found at the port opened is remembered (none for a port that is not a USB adapter).
    SerialOpen openTerminalSerial();
    void waitForAdapter();
    void lookForAdapter();
    // Connects the terminal's own socket; false with the reason when it cannot start.
    bool connectGateway(QString *error);
    void waitForGateway();
    void retryGateway();
    void stopFollowing();
    bool openForEngine(QString *error);
    void setConnected(bool connected);
    void report(const QString &text, const QString &title, PromptIcon icon);
    QString linkError() const;

    bool writeOut(const QByteArray &bytes);
    void sendsWritten(quint64 owner);
    void sendFailed(quint64 owner, const QString &error);

    void received(const QByteArray &data);
    // The port or socket holds bytes not read yet: the engine's deadline waits for them.
    bool bytesWaiting() const;
    void lost(const QString &reason);
    void onSerialReadyRead();
    void onSerialLost(const QString &description);
    void onSocketConnected();
    void onSocketReadyRead();
    void onSocketError(int number, const QString &description);

    bool applyAction(const LinkAction &action);
    void detach(bool restoreTerminal);

    CommWindowSettings &m_settings;
    Clock &m_clock;
    LinkFactory &m_factory;
    std::unique_ptr<SerialLink> m_serial;
    std::unique_ptr<SocketLink> m_socket;
    SendQueue m_sends; // paced writes of the terminal and the engine

    EngineSlot m_slot; // the engine holding the lease
    LeaseKind m_leaseKind = LeaseKind::Shared;
    QString m_job; // the name of the job holding the lease
    ByteSink m_capture;
    LineTrace *m_trace = nullptr;

    Follow m_follow = Follow::Off;
    std::unique_ptr<OneShotTimer> m_followTimer; // the next look for the adapter, or the next TCP attempt
    int m_retryMs = 0;                           // the last wait between TCP attempts
    bool m_socketUp = false;                     // the TCP connection was established since it was started
};

} // namespace korvo
