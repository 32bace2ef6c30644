#include "upgrade/upgradeengine.h"

#include "app/texthelpers.h"
#include "settings/preferences.h"
#include "upgrade/upgradecheck.h"

namespace korvo {

namespace {
const QByteArray kCtrlC("\x03");
} // namespace

UpgradeOptions UpgradeOptions::fromSettings(const CommWindowSettings &settings)
{
    UpgradeOptions options;
    options.device = settings.device;
    options.tcp = settings.tcpipEnabled;
    options.canLink = settings.canInterface;
    options.lineDelayMs = settings.lineDelay;
    options.terminalSettings = settings.settings;
    return options;
}

UpgradeEngine::UpgradeEngine(UpgradeOptions options)
    : m_options(std::move(options)), m_procedure(upgradeProcedureFor(m_options.device))
{
    setLinePause(m_options.lineDelayMs, !m_options.tcp);
}

void UpgradeEngine::start(qint64 nowMs)
{
    (void)nowMs;
    setPhase(Phase::Idle, QStringLiteral("Ready for step 7"));
}

void UpgradeEngine::setPhase(Phase phase, const QString &status)
{
    m_phase = phase;
    emitStatus(status);
}

// ---- Step 7: communication and identity ----

void UpgradeEngine::establish(qint64 nowMs, const UpgradeScan &file)
{
    if (isFinished() || m_transferring)
        return;
    m_file = file;
    m_file.records.clear();
    m_controllerVersion.clear();
    m_controllerCore.clear();
    m_coreNumber = 0;
    m_productAsked = false;
    m_product.clear();
    m_serial.clear();
    m_type.clear();
    m_refusal.clear();
    clearTimedOut();
    setPhase(Phase::Establishing, QStringLiteral("Establishing COMM"));

    // The controller talks at 19200 while it is in upgrade mode.
    if (m_options.tcp) {
        queueSend("}02:19");
        m_baudChanged = true;
    } else {
        queueSettings(QStringLiteral("19200,N,8,1"));
    }
    queueCall([this](qint64) { expect(kAwaitDollar); });
    queueSend(kCtrlC);
    queuePause(kHelloPauseMs);
    query(":ZELInc\r", 1000, [this](qint64) { afterHello(); });
    run(nowMs);
}

void UpgradeEngine::query(const QByteArray &command, int pauseMs, Then then)
{
    queueCall([this, command](qint64) {
        m_lastQuery = command.trimmed();
        expect(kAwaitAck);
    });
    queueCommand(command);
    queuePause(pauseMs);
    queueReplyWait(kWatchdogMs);
    queueCall(std::move(then));
}

bool UpgradeEngine::queryTimedOut()
{
    if (!timedOut())
        return false;
    setPhase(Phase::CommFailed, QStringLiteral("COMM not Established"));
    return true;
}

void UpgradeEngine::afterHello()
{
    if (queryTimedOut())
        return;
    query("::v\r", 200, [this](qint64) { afterVersion(); });
}

void UpgradeEngine::afterVersion()
{
    if (queryTimedOut())
        return;
    if (replyState() == kReplied) {
        const QByteArray raw = valueAfter(":v", 4);
        m_controllerVersion =
            m_procedure == UpgradeProcedure::UKorvo ? singleTextFromRaw(raw) : versionTextFromRaw(raw);
    }
    query("::c\r", 200, [this](qint64) { afterCore(); });
}

void UpgradeEngine::afterCore()
{
    if (queryTimedOut())
        return;
    if (replyState() != kReplied) {
        finishEstablish();
        return;
    }
    if (m_procedure == UpgradeProcedure::UKorvo) {
        m_controllerCore = singleTextFromRaw(valueAfter(":c", 4));
        const UpgradeCheck check = checkUKorvoCore(m_controllerCore, m_file.coreVersionText);
        if (!check.accepted) {
            m_refusal = check.message;
            setReplyState(kRefused);
        }
        askSerial();
        return;
    }
    const QByteArray hex = valueAfter(":c", 8);
    m_controllerCore = firmwareVersionText(hexToLong(QString::fromLatin1(hex.left(4))),
                                           hexToLong(QString::fromLatin1(hex.mid(4, 4))));
    m_coreNumber = versionNumber(m_controllerCore);
    if (asksProductText(m_coreNumber)) {
        query("::p\r", 500, [this](qint64) { afterProduct(); });
        return;
    }
    applyOrvBrelRule();
    askSerial();
}

void UpgradeEngine::afterProduct()
{
    if (queryTimedOut())
        return;
    if (replyState() == kReplied) {
        m_product = printableFilter(valueAfter(":p")).left(31).trimmed();
        m_productAsked = true;
    }
    applyOrvBrelRule();
    askSerial();
}

void UpgradeEngine::applyOrvBrelRule()
{
    const UpgradeCheck check = checkOrvBrelFile(m_coreNumber, m_file.versionNumber, m_file.kindLetter);
    if (!check.accepted) {
        m_refusal = check.message;
        setReplyState(kRefused);
    }
}

void UpgradeEngine::askSerial()
{
    if (replyState() != kReplied) {
        finishEstablish();
        return;
    }
    query("::s\r", 500, [this](qint64) { afterSerial(); });
}

void UpgradeEngine::afterSerial()
{
    if (queryTimedOut())
        return;
    if (replyState() == kReplied) {
        const SerialAndType split = splitSerialReply(printableFilter(valueAfter(":s")), serialPlusRule());
        m_serial = split.serial;
        m_type = split.type;
    }
    finishEstablish();
}

void UpgradeEngine::finishEstablish()
{
    if (replyState() == kReplied)
        setPhase(Phase::Ready, QStringLiteral("Checks passed"));
    else
        setPhase(Phase::Refused, m_refusal.isEmpty() ? QStringLiteral("Query refused") : m_refusal);
}

// ---- Step 9: the transfer ----

bool UpgradeEngine::upgrade(qint64 nowMs, const UpgradePlan &plan, qint64 totalBytes, const QString &serial,
                            const QString &type)
{
    if (isFinished() || m_transferring || m_procedure == UpgradeProcedure::None)
        return false;
    if (m_procedure == UpgradeProcedure::UKorvo) {
        const std::optional<QByteArray> area = identityAreaHex(serial, type);
        if (!area)
            return false;
        m_areaHex = *area;
    }
    m_plan = plan;
    m_next = 0;
    m_totalBytes = totalBytes;
    m_sentBytes = 0;
    m_recordsSent = 0;
    m_transferProblem.clear();
    m_firstRecordMs = m_endRecordMs = -1;
    m_transferring = true;
    m_upgradeRun = true;
    setPhase(Phase::Transferring, QStringLiteral("Upgrading..."));
    emitProgress(0, m_totalBytes);

    if (m_procedure == UpgradeProcedure::UKorvo) {
        m_watchdogMs = kFirstRecordWatchdogMs;
        sendConfirmed(kUpperBankRecord, [this](bool ok) {
            m_transferring = m_transferring && ok;
            m_baudChanged = true;
            m_watchdogMs = kWatchdogMs;
            if (!m_transferring) {
                afterPreamble();
                return;
            }
            // Whether the identity record is taken is not looked at: the bank select decides.
            sendConfirmed(identityRecord(m_areaHex), [this](bool) {
                sendConfirmed(kLowerBankRecord, [this](bool ok) {
                    m_transferring = m_transferring && ok;
                    afterPreamble();
                });
            });
        });
    } else {
        // The erase's answer does not stop the transfer.
        query("::e\r", 5000, [this](qint64) { afterPreamble(); });
    }
    run(nowMs);
    return true;
}

void UpgradeEngine::sendConfirmed(const QByteArray &record, std::function<void(bool ok)> then)
{
    const auto sendOnce = [this, record](qint64 nowMs) {
        if (m_firstRecordMs < 0)
            m_firstRecordMs = nowMs;
        expect(kAwaitAck);
        clearTimedOut();
        m_currentRecord = record;
        queueCommand(record + '\r');
        queueReplyWait(m_watchdogMs);
    };
    queueCall(sendOnce);
    queueCall([this, record, sendOnce, then](qint64 nowMs) {
        if (timedOut()) {
            m_transferProblem = QStringLiteral("No acknowledgement for %1").arg(QString::fromLatin1(record));
            then(false);
            return;
        }
        if (replyState() != kRefused) {
            ++m_recordsSent;
            then(true);
            return;
        }
        // One resend after a NAK.
        sendOnce(nowMs);
        queueCall([this, record, then](qint64) {
            const bool ok = !timedOut() && replyState() != kRefused;
            if (ok)
                ++m_recordsSent;
            else
                m_transferProblem =
                    QStringLiteral("%1 for %2")
                        .arg(timedOut() ? QStringLiteral("No acknowledgement") : QStringLiteral("NAK twice"),
                             QString::fromLatin1(record));
            then(ok);
        });
    });
}

void UpgradeEngine::afterPreamble()
{
    if (!m_transferring) {
        abortEnding();
        return;
    }
    queueCall([this](qint64) { nextRecord(); });
}

void UpgradeEngine::nextRecord()
{
    if (!m_transferring) {
        abortEnding();
        return;
    }
    if (m_next >= m_plan.records.size()) {
        // The end of the file (a uKorvo's end record is read but not sent).
        if (m_plan.endReached)
            emitStatus(QStringLiteral("Done"));
        normalEnding();
        return;
    }
    const PlannedRecord &record = m_plan.records[m_next++];
    m_currentUpper = record.upper;
    if (record.data) {
        m_sentBytes += record.count;
        emitProgress(m_sentBytes, m_totalBytes);
    }
    const QByteArray text = record.versionRecord ? rewriteVersionRecord(record.text, m_areaHex) : record.text;
    const bool end = record.endRecord;
    sendConfirmed(text, [this, end](bool ok) {
        if (!ok) {
            recordFailed();
            return;
        }
        if (!end) {
            queueCall([this](qint64) { nextRecord(); });
            return;
        }
        queueCall([this](qint64 now) { m_endRecordMs = now; });
        emitStatus(QStringLiteral("Done"));
        clearBuffer();
        clearTimedOut();
        if (m_procedure == UpgradeProcedure::OrvBrel) {
            // Character 3 restarts the controller out of upgrade mode.
            setReplyState(kAwaitDollar);
            queueSend(kCtrlC);
            queuePause(500);
        }
        queueCall([this](qint64) { normalEnding(); });
    });
}

void UpgradeEngine::recordFailed()
{
    m_transferring = false;
    endTransfer(Phase::TransferFailed, QStringLiteral("Failed"));
}

void UpgradeEngine::normalEnding()
{
    m_transferring = false;
    endTransfer(m_phase == Phase::Transferring ? Phase::TransferDone : m_phase, QString());
}

void UpgradeEngine::abortEnding()
{
    queuePause(200);
    sendConfirmed(kEndRecord,
                  [this](bool) { endTransfer(Phase::TransferAborted, QStringLiteral("Aborted")); });
}

void UpgradeEngine::endTransfer(Phase phase, const QString &status)
{
    m_transferring = false;
    emitProgress(m_totalBytes, m_totalBytes);
    setPhase(phase, status.isEmpty() ? QStringLiteral("Transfer ended") : status);
    if (m_closeAfterTransfer)
        queueCall([this](qint64 nowMs) { close(nowMs); });
}

void UpgradeEngine::abort(qint64 nowMs)
{
    if (!m_transferring)
        return;
    m_transferring = false;
    emitStatus(QStringLiteral("ABORTED UPGRADE"));
    run(nowMs);
}

// ---- Closing ----

void UpgradeEngine::cancel(qint64 nowMs)
{
    if (isFinished())
        return;
    if (m_transferring) {
        m_closeAfterTransfer = true;
        abort(nowMs);
        return;
    }
    close(nowMs);
}

void UpgradeEngine::close(qint64 nowMs)
{
    if (isFinished() || m_phase == Phase::Closing)
        return;
    // A wait in progress (a query of step 7) is abandoned: the controller is left as it is.
    dropQueue();
    setPhase(Phase::Closing, QStringLiteral("Closing"));
    if (m_upgradeRun && m_procedure == UpgradeProcedure::UKorvo) {
        queueCall([this](qint64) { expect(kAwaitAck); });
        queueCommand("::r\r");
        queuePause(5000);
        if (m_options.canLink)
            queueCommand("\x01SYNC\x01");
    }
    if (!m_options.canLink && (m_upgradeRun || m_baudChanged)) {
        if (m_options.tcp) {
            // The gateway codes are the ones the controllers' gateways know for this step.
            queueCommand(kCtrlC);
            queuePause(200);
            queueSend("}02:11");
            queuePause(100);
        } else if (m_options.terminalSettings.toUpper() != QLatin1String("9600,N,8,1")) {
            m_settingsAfter = QStringLiteral("9600,N,8,1");
            m_baudChanged = true;
        } else {
            m_baudChanged = false;
        }
    } else {
        m_baudChanged = false;
    }
    queueCall([this](qint64) {
        setPhase(Phase::Closed, QStringLiteral("Closed"));
        finish();
    });
    run(nowMs);
}

} // namespace korvo
