#pragma once

// A terminal window's link to its device (serial port or TCP gateway): opening and closing, paced sending,
// the reply timer, pauses and waits, CAN requests, typed keys and the status panels. It owns no widgets and
// never blocks: a pause or a wait is a state that ends with a callback, driven by the Clock's timers and by
// received data. Failures are reported as errorOccurred events; the window shows them through korvo::ask.

#include "app/prompt.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace korvo {

struct CommWindowSettings;
class Clock;
class OneShotTimer;
class LinkFactory;
class SerialLink;
class SocketLink;

class CommLink : public QObject
{
    Q_OBJECT
public:
    // Receive modes the link itself knows about; the rest belong to the window's receive dispatcher.
    static constexpr int kTerminalMode = 3;
    static constexpr int kModeMask = ~0x1000; // bit 12 is ignored when a mode is dispatched

    using SendDone = std::function<void(bool ok)>;
    using WaitDone = std::function<void(bool timedOut)>;
    using CanDone = std::function<void(bool answered)>;

    // settings is the terminal's slot record (app().commSlots[n]); it must outlive the link.
    CommLink(CommWindowSettings &settings, Clock &clock, LinkFactory &factory, QObject *parent = nullptr);
    ~CommLink() override;

    CommWindowSettings &settings() { return m_settings; }
    const CommWindowSettings &settings() const { return m_settings; }

    // Connect_Comm: open (true) or close (false) the link; does nothing when Connected already says so.
    void connectComm(bool connect);
    bool isConnected() const;
    bool isTcp() const;
    // The serial port is open (drops are accepted only then).
    bool isPortOpen() const;
    // Serial device or TCP address in use, as shown in the "comm" panel.
    QString deviceName() const;

    // Set_Terminal bit 2: closes the link, sets receive mode 3, opens it again when Connected says so and
    // refreshes the "connect", "comm", "device" and "can" panels. (Stopping capture is the window's part.)
    void applyCommSettings();

    // Send_To_Comm: sends data one character at a time; over TCP pauses CharDelay after each character and
    // LineDelay + 10 after LineEnd when delay is set; then arms the reply timer for the length + 500 ms.
    // Runs asynchronously; a send issued while another runs is queued behind it. done(false) after an error
    // (reported through errorOccurred; the reply timer is not armed) or when endWaits() abandons the send.
    // The line pause uses app().lineEnd as it is when the send is issued.
    void sendToComm(const QByteArray &data, bool delay, SendDone done = {});
    bool isSending() const { return m_sending; }
    // Writes bytes to the serial port in one piece, no pacing, no reply timer (Shift+Insert). False on error
    // (reported through errorOccurred).
    bool writeToPort(const QByteArray &data);
    // A key typed in the terminal, only while Connected; CR is followed by LF on serial when TranslateCR is
    // set. A failure disconnects and reports a critical "Comm Port Error".
    void sendTypedChar(char c);

    // Delay_MSec: done runs after ms milliseconds; 0 runs it at once without touching the delay timer.
    void delayMSec(int ms, std::function<void()> done);
    bool isDelaying() const;

    // Start_Reply_Timer: arms the reply timer for chars characters at the current baud rate plus extraMs.
    void startReplyTimer(int chars, int extraMs);
    // Re-arms the reply timer with its last interval; the dispatcher calls it when text arrives in the
    // transfer and collector modes, so the timer measures silence.
    void restartReplyTimer();
    void stopReplyTimer();
    bool replyTimerActive() const;
    int replyTimerInterval() const;
    // The reply timer expired since it was last armed.
    bool timedOut() const { return m_timedOut; }

    // Wait_For_Results: arms the reply timer for chars characters + 100 ms; done(timedOut) runs when the
    // receive mode drops to 0 or below (setReceiveMode) or when the reply timer expires. One wait at a time;
    // a new wait replaces a running one, which ends as timed out.
    void waitForResults(int chars, WaitDone done);
    bool isWaiting() const { return static_cast<bool>(m_waitDone); }

    // bSend_CAN_Comm: sets receive mode, resets the collector (collectorReset), writes msg to the serial
    // port in one piece and waits for len(msg) + extraLen characters. answered is false only when the wait
    // timed out and the "-d" switch (app().noReplyCheck) was not given.
    void sendCanComm(const QByteArray &msg, int mode, int extraLen, CanDone done);

    int receiveMode() const { return m_receiveMode; }
    // A mode of 0 or below ends a running wait (its callback runs from inside this call).
    void setReceiveMode(int mode);

    // Ends every pause and wait at once (pauses as done, waits as timed out), stops the timers and abandons
    // sends in progress. Used when a transfer is cancelled.
    void endWaits();
    // The window is closing: endWaits() and close the serial port (Connected is kept for the next start).
    void shutdown();

    // Tool windows that drive the device themselves (upgrade, comm-settings search) borrow it: release()
    // closes port and socket without changing Connected; reclaim() applies the settings again.
    void release();
    void reclaim();

Q_SIGNALS:
    // All bytes received in one notification, in one piece; the window's receive dispatcher acts on them.
    void dataReceived(const QByteArray &data);
    // Status-panel text by key: "connect", "comm", "device", "can".
    void statusText(const QString &panelKey, const QString &text);
    // The "can" panel is enabled exactly when CANInterface is set.
    void panelEnabled(const QString &panelKey, bool enabled);
    // Connected changed (keeps the Connect/Disconnect menu items in step).
    void connectedChanged(bool connected);
    // A failure to show to the user (the window passes it to korvo::ask).
    void errorOccurred(const QString &text, const QString &title, korvo::PromptIcon icon);
    // The device went away mid-session (already reported through errorOccurred; the link is disconnected).
    void linkLost();
    // A CAN request starts: the window empties its receive and collector buffers.
    void collectorReset();
    // The reply timer expired (the upload and download steps run from here).
    void replyTimeout();

private:
    struct PendingSend
    {
        QByteArray data;
        bool delay = false;
        char lineEnd = '\r'; // LineEnd when the send was issued (callers swap it around a send)
        SendDone done;
    };

    void ensureLinks();
    bool openSerial();
    void openSocket(bool fromSettings);
    void closeAll();
    void setConnected(bool connected);
    void refreshPanels();
    void report(const QString &text, const QString &title, PromptIcon icon);

    void startNextSend();
    void continueSend();
    void finishSend(bool ok);
    void failSend();
    void abandonSends();
    bool writeOut(const QByteArray &bytes);

    void onSerialReadyRead();
    void onSerialLost(const QString &description);
    void onSocketReadyRead();
    void onSocketError(int number, const QString &description);
    void onReplyTimer();
    void onDelayTimer();
    void endWait(bool timedOut);

    CommWindowSettings &m_settings;
    Clock &m_clock;
    LinkFactory &m_factory;
    std::unique_ptr<SerialLink> m_serial;
    std::unique_ptr<SocketLink> m_socket;
    std::unique_ptr<OneShotTimer> m_delayTimer; // Timer1
    std::unique_ptr<OneShotTimer> m_replyTimer; // Timer2
    std::unique_ptr<OneShotTimer> m_paceTimer;  // pauses between paced characters

    int m_receiveMode = kTerminalMode;
    bool m_timedOut = false;
    std::vector<std::function<void()>> m_delayDone;
    WaitDone m_waitDone;

    std::deque<PendingSend> m_sendQueue;
    bool m_sending = false;
    qsizetype m_sendPos = 0;
};

} // namespace korvo
