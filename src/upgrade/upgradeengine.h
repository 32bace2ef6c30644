#pragma once

// The firmware-upgrade dialogue with one controller, from opening the line to giving it back: the
// communication set-up and identity checks of step 7, the record-by-record transfer with one resend after
// a NAK, Abort between records with the end record, and the closing reset and rate restore. The wizard
// window and korvo-cli call establish(), upgrade(), abort() and close() and read the results back; the
// engine drives the line itself (Exclusive lease).

#include "upgrade/upgradeexchange.h"
#include "upgrade/upgradeplan.h"

namespace korvo {

struct CommWindowSettings;

struct UpgradeOptions
{
    DeviceType device = Veltor; // uKorvo, Veltor or Fendra
    bool tcp = false;
    bool canLink = false;
    int lineDelayMs = 0;
    QString terminalSettings = QStringLiteral("9600,N,8,1");

    // From a terminal's settings: its device, link kind, line pause and rate.
    static UpgradeOptions fromSettings(const CommWindowSettings &settings);
};

class UpgradeEngine : public UpgradeExchange
{
public:
    enum class Phase {
        Idle,
        Establishing,
        CommFailed, // no answer (or the line failed) at step 7
        Refused,    // answered, but a check failed or a query was NAKed
        Ready,      // every check passed
        Transferring,
        TransferDone,
        TransferFailed,
        TransferAborted,
        Closing,
        Closed,
    };

    static constexpr int kWatchdogMs = 5000;
    static constexpr int kFirstRecordWatchdogMs = 16000;
    static constexpr int kHelloPauseMs = 4000;

    explicit UpgradeEngine(UpgradeOptions options);

    void start(qint64 nowMs) override;
    // Ctrl+C or closing the window: an Abort during the transfer, then the closing sequence.
    void cancel(qint64 nowMs) override;

    // Step 7: set-up, identity queries and checks of the controller against the file's values.
    void establish(qint64 nowMs, const UpgradeScan &file);
    // Step 9: sends the plan. False (nothing sent) when the identity area cannot hold serial and type.
    bool upgrade(qint64 nowMs, const UpgradePlan &plan, qint64 totalBytes, const QString &serial,
                 const QString &type);
    // Abort: the transfer stops after the record in flight and sends the end record.
    void abort(qint64 nowMs);
    // Closing the wizard: reset and rate restore as needed; the engine then finishes.
    void close(qint64 nowMs);

    Phase phase() const { return m_phase; }
    UpgradeProcedure procedure() const { return m_procedure; }
    bool transferring() const { return m_transferring && !isFinished(); }
    bool upgradeRun() const { return m_upgradeRun; }
    // The rate was changed in a way the user must hear about after the wizard.
    bool baudChanged() const { return m_baudChanged; }
    // Settings the terminal takes when the line is given back; empty when they stay.
    const QString &terminalSettingsAfter() const { return m_settingsAfter; }

    // What the controller reported.
    const QString &controllerVersion() const { return m_controllerVersion; }
    const QString &controllerCore() const { return m_controllerCore; }
    double coreNumber() const { return m_coreNumber; }
    bool plusLayout() const { return m_productAsked; }
    bool serialPlusRule() const { return m_coreNumber >= 3.0; }
    const QString &productText() const { return m_product; }
    const QString &serialNumber() const { return m_serial; }
    const QString &typeNumber() const { return m_type; }
    // The refusal text of a failed check (empty for a NAKed query).
    const QString &refusal() const { return m_refusal; }
    // The identity query sent last ("::c"), for naming the one that went unanswered or was refused.
    const QByteArray &lastQuery() const { return m_lastQuery; }

    // Transfer progress.
    qint64 bytesSent() const { return m_sentBytes; }
    qint64 totalBytes() const { return m_totalBytes; }
    int recordsSent() const { return m_recordsSent; }
    int recordsTotal() const { return int(m_plan.recordsOnLine()); }
    const QByteArray &currentRecord() const { return m_currentRecord; }
    bool currentRecordUpper() const { return m_currentUpper; }
    // Why the transfer failed ("record NAKed twice: ...", "no acknowledgement: ...").
    const QString &transferProblem() const { return m_transferProblem; }
    qint64 firstRecordMs() const { return m_firstRecordMs; }
    qint64 endRecordMs() const { return m_endRecordMs; }

private:
    void setPhase(Phase phase, const QString &status);
    void query(const QByteArray &command, int pauseMs, Then then);
    bool queryTimedOut();
    void afterHello();
    void afterVersion();
    void afterCore();
    void afterProduct();
    void applyOrvBrelRule();
    void askSerial();
    void afterSerial();
    void finishEstablish();

    void sendConfirmed(const QByteArray &record, std::function<void(bool ok)> then);
    void afterPreamble();
    void nextRecord();
    void recordFailed();
    void normalEnding();
    void abortEnding();
    void endTransfer(Phase phase, const QString &status);

    UpgradeOptions m_options;
    UpgradeProcedure m_procedure;
    Phase m_phase = Phase::Idle;

    UpgradeScan m_file; // file values only (no records)
    QString m_controllerVersion;
    QString m_controllerCore;
    double m_coreNumber = 0;
    bool m_productAsked = false;
    QString m_product;
    QString m_serial;
    QString m_type;
    QString m_refusal;
    QByteArray m_lastQuery;

    UpgradePlan m_plan;
    QByteArray m_areaHex;
    std::size_t m_next = 0;
    qint64 m_totalBytes = 0;
    qint64 m_sentBytes = 0;
    int m_recordsSent = 0;
    int m_watchdogMs = kWatchdogMs;
    QByteArray m_currentRecord;
    bool m_currentUpper = false;
    QString m_transferProblem;
    qint64 m_firstRecordMs = -1;
    qint64 m_endRecordMs = -1;

    bool m_transferring = false;
    bool m_upgradeRun = false;
    bool m_baudChanged = false;
    bool m_closeAfterTransfer = false;
    QString m_settingsAfter;
};

} // namespace korvo
