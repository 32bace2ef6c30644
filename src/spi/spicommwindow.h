#pragma once

// frmSPI_Comm, "SPI Communications": the engineer types an SPI message in hex, sends it once, repeatedly or
// a byte at a time through the parallel port or the serial SPI converter, and reads back what the device
// shifted out. The window wires its controls to an SpiSession; it starts from the SPI record of the
// preferences and reports every change of it.

#include "settings/preferences.h"
#include "spi/spicalibration.h"
#include "spi/spilog.h"
#include "ui/childwindow.h"

#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvo {

class Clock;
class DigitSpinBox;
class FileDialogs;
class LinkFactory;
class ParallelPort;
class Prompt;
class SpiLogView;
class SpiSession;
struct SpiExchange;

class SpiCommWindow : public QWidget, public ExitNotice
{
    Q_OBJECT
public:
    // What the window runs on; tests hand in a fake clock, fake links, a fake port and a fixed calibration.
    struct Services
    {
        Clock *clock = nullptr;                                      // default: the system clock
        LinkFactory *links = nullptr;                                // default: the Qt serial port
        std::function<std::unique_ptr<ParallelPort>()> makePort;     // default: ppdev
        std::function<SpiCalibration(ParallelPort *port)> calibrate; // default: measured
        const FileDialogs *fileDialogs = nullptr;                    // default: the real dialogs
    };

    static constexpr int kMaxCount = 1000;
    static constexpr int kMaxRate = 10000;

    SpiCommWindow(const SpiRecord &record, Prompt &prompt, QWidget *parent, Services services);
    ~SpiCommWindow() override;

    // Controls by their long-standing names, for tests.
    QComboBox *portList() const { return m_port; }
    QLineEdit *deviceEdit() const { return m_device; }
    QLineEdit *outputEdit() const { return m_output; }
    DigitSpinBox *countBox() const { return m_count; }
    DigitSpinBox *rateBox() const { return m_rate; }
    SpiLogView *logView() const { return m_log; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *captureButton() const { return m_capture; }
    QPushButton *doneButton() const { return m_done; }
    QPushButton *clearButton() const { return m_clear; }
    QPushButton *saveLogButton() const { return m_saveLog; }
    QLabel *statusLine() const { return m_status; }
    const SpiLog &log() const { return m_logModel; }
    bool isSending() const;
    // Shows exchanges that are waiting for the next batch at once (tests; the batch timer does it otherwise).
    void flushLog();

    const SpiRecord &record() const { return m_record; }

signals:
    void closed();
    // The record changed (placement, port, counts, the last message sent, whether the window is open).
    void recordChanged(const SpiRecord &record);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void restorePlacement();
    void storePlacement();
    void choosePort(int port);
    void applyTransport();
    bool openParallel();
    void sendOrStop();
    void startSending();
    void captureOrEnd();
    void saveLog();
    void onExchanged(const SpiExchange &exchange);
    void onEnded(const QString &failure, bool versionRefused);
    void showStatus();

    void storeRecord() { emit recordChanged(m_record); }

    SpiRecord m_record;
    Services m_services;
    Prompt &m_prompt;
    std::unique_ptr<SpiSession> m_session;
    std::unique_ptr<ParallelPort> m_parallel;
    std::optional<SpiCalibration> m_calibration;
    QString m_transportNote; // why the parallel port could not be opened, or empty
    QString m_lastFailure;
    int m_sent = 0;
    int m_toSend = 0;

    QComboBox *m_port = nullptr;
    QLineEdit *m_device = nullptr;
    QLineEdit *m_output = nullptr;
    DigitSpinBox *m_count = nullptr;
    DigitSpinBox *m_rate = nullptr;
    SpiLogView *m_log = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_capture = nullptr;
    QPushButton *m_done = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_saveLog = nullptr;
    QLabel *m_status = nullptr;

    SpiLog m_logModel;
    std::vector<SpiLog::Entry> m_pending; // shown at the next batch
    int m_shown = 0;                      // exchanges in the view
    QTimer m_batch;
    QFile m_captureFile;
    QString m_captureName;
};

} // namespace korvo
