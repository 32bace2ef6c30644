#include "upgrade/upgradewizard.h"
#include "ui/altletters.h"

#include "app/prompt.h"
#include "link/commlink.h"
#include "settings/preferences.h"
#include "upgrade/upgradecheck.h"
#include "upgrade/upgradewizardview.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvo {

namespace {
const QString kCommNotEstablished =
    QStringLiteral("\r\n          COMM not Established   \r\n       Try again (Previous) or CANCEL");

QString durationText(qint64 ms)
{
    return QStringLiteral("%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

UpgradeWizard::UpgradeWizard(CommLink &link, bool factory, FileChooser chooseFile, Prompt &prompt,
                             QWidget *parent)
    : QDialog(parent), m_link(link), m_prompt(prompt), m_factory(factory),
      m_chooseFile(std::move(chooseFile)), m_procedure(upgradeProcedureFor(link.settings().device)),
      m_steps(m_procedure)
{
    setWindowTitle(QStringLiteral("KorvoTerm Upgrader"));
    setModal(true);
    m_view = new UpgradeWizardView(m_procedure, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    m_next = m_view->next();
    m_previous = m_view->previous();
    m_upgradeCancel = m_view->upgradeCancel();
    connect(m_next, &QPushButton::clicked, this, [this] { navigate(true); });
    connect(m_previous, &QPushButton::clicked, this, [this] { navigate(false); });
    connect(m_upgradeCancel, &QPushButton::clicked, this, &UpgradeWizard::upgradeOrCancel);
    if (m_procedure == UpgradeProcedure::None) {
        // Nothing to upgrade on this device type: an empty message box and only Cancel enabled.
        m_next->setEnabled(false);
        m_previous->setEnabled(false);
        return;
    }
    showStepText(Qt::black);
    setIdentityEditable(true); // with the factory flag the boxes may be edited from the start
    attachEngine();
    m_next->setFocus();
    giveAltLetters(this);
}

UpgradeWizard::~UpgradeWizard()
{
    setBusy(false);
    m_lease.release();
}

bool UpgradeWizard::attachEngine()
{
    m_lease.release();
    m_engine = std::make_unique<UpgradeEngine>(UpgradeOptions::fromSettings(m_link.settings()));
    m_lease = m_link.attach(
        *m_engine, QStringLiteral("Firmware Upgrade"),
        [this](const std::vector<EngineEvent> &events) { onEvents(events); }, CommLink::LeaseKind::Exclusive);
    if (!m_lease.isRefused())
        return true;
    // Another job holds the terminal's link: it goes on, and the wizard waits to be asked again.
    m_engine.reset();
    ask(m_prompt, m_lease.refusal(), windowTitle(), PromptIcon::Exclamation);
    return false;
}

// ---- buttons ----

void UpgradeWizard::navigate(bool next)
{
    QPushButton *pressed = next ? m_next : m_previous;
    if (next) {
        m_steps.next();
    } else if (m_steps.previous()) {
        m_view->clearIdentity();
    }
    setIdentityEditable(false);
    showStepText(Qt::black);
    enterStep(pressed);
}

void UpgradeWizard::enterStep(QPushButton *pressed)
{
    const int step = m_steps.step();
    switch (step) {
    case 0:
        m_next->setEnabled(true);
        m_previous->setEnabled(true);
        pressed->setFocus();
        break;
    case 1:
        m_upgradeCancel->setFocus();
        break;
    case 2:
        chooseFile();
        break;
    case 6:
        showStepText(UpgradeWizardView::kNavy);
        m_next->setEnabled(true);
        break;
    case 7:
        m_next->setEnabled(false);
        m_previous->setEnabled(false);
        if (m_steps.phase() == 2)
            establish();
        break;
    case 8:
        m_previous->setEnabled(true);
        m_next->setEnabled(false);
        m_upgradeCancel->setFocus();
        m_upgradeCancel->setText(QStringLiteral("&Upgrade"));
        showPreflight();
        break;
    default:
        // The instruction steps always lead on (after a failed step 7, Previous comes back this way).
        m_next->setEnabled(true);
        break;
    }
    if (step < 8)
        m_upgradeCancel->setText(QStringLiteral("&Cancel"));
}

void UpgradeWizard::chooseFile()
{
    const std::optional<QString> path = m_chooseFile ? m_chooseFile() : std::nullopt;
    if (!path) {
        startClosing();
        return;
    }
    QString error;
    setBusy(true);
    m_scan = scanUpgradeFile(*path, m_link.settings().device, &error);
    setBusy(false);
    m_previous->setEnabled(false);
    m_next->setEnabled(true);
    if (!m_scan) {
        m_view->setMessage(
            QStringLiteral(
                "\r\n         Could not find Upgrade File\r\n        Press CANCEL to EXIT Program\"") +
                QStringLiteral("\r\n") + error,
            UpgradeWizardView::kDarkRed);
        m_next->setEnabled(false);
        return;
    }
    m_view->fileVersion()->setText(m_scan->versionText);
    m_plan = planUpgrade(*m_scan, m_link.settings().device);
    const QString problem = scanProblem(*m_scan, m_link.settings().device);
    if (!problem.isEmpty())
        m_view->appendMessage(QStringLiteral("\r\n") + problem, UpgradeWizardView::kDarkRed);
    // A damaged file, or one without a single data record, goes no further; a sound file whose data all lies
    // outside the area this controller takes goes on (the note above says so).
    if (m_scan->refused())
        m_next->setEnabled(false);
}

void UpgradeWizard::establish()
{
    if (!m_scan) {
        m_view->appendMessage(QStringLiteral("\r\nNo upgrade file chosen."), UpgradeWizardView::kDarkRed);
        m_previous->setEnabled(true);
        return;
    }
    // A line that failed earlier (unplugged, vanished) is opened afresh.
    if ((!m_engine || m_engine->isFinished()) && !attachEngine()) {
        m_previous->show();
        return;
    }
    if (m_engine->isFinished()) {
        onEngineFailed();
        return;
    }
    setBusy(true);
    m_view->clearReplyLog();
    m_view->useNarrowSerialBox();
    m_engine->establish(m_lease.nowMs(), *m_scan);
    m_lease.pump();
}

void UpgradeWizard::upgradeOrCancel()
{
    if (m_steps.step() == 1) {
        ask(m_prompt,
            QStringLiteral(
                "When Upgrade cancels, use \"Upload\"\r\n to save needed contents of uKorvo.\r\nThen rerun "
                "\"Upgrade!\""),
            windowTitle(), PromptIcon::Information);
        startClosing();
        return;
    }
    if (m_engine && m_engine->transferring()) {
        m_engine->abort(m_lease.nowMs());
        m_lease.pump();
        m_view->setMessage(QStringLiteral("\r\n              ABORTED UPGRADE"), UpgradeWizardView::kDarkRed);
        m_next->setEnabled(false);
        m_previous->setEnabled(false);
        return;
    }
    if (m_steps.step() == 8 && m_upgradeCancel->text() == QLatin1String("&Upgrade")) {
        startUpgrade();
        return;
    }
    startClosing();
}

void UpgradeWizard::startUpgrade()
{
    const QString serial = m_view->serialNumber();
    const QString type = m_view->typeNumber();
    if (m_procedure == UpgradeProcedure::UKorvo && !identityAreaHex(serial, type)) {
        // A controller that reports a longer pair: the area cannot hold it, and nothing is guessed.
        m_view->appendMessage(
            QStringLiteral("\r\nSerial Number and Type Number take more than %1 characters together.")
                .arg(kIdentityAreaChars),
            UpgradeWizardView::kDarkRed);
        return;
    }
    if (!m_engine || m_engine->isFinished()) {
        onEngineFailed();
        return;
    }
    m_steps.advance();
    showStepText(Qt::black);
    m_upgradeCancel->setText(QStringLiteral("&Abort"));
    m_next->setEnabled(false);
    m_previous->setEnabled(false);
    m_transferStartMs = m_lease.nowMs();
    m_engine->upgrade(m_transferStartMs, m_plan, m_scan->totalBytes, serial, type);
    m_lease.pump();
}

void UpgradeWizard::reject()
{
    // Escape and the title bar's close button are Cancel (Abort while sending).
    if (m_closed)
        QDialog::reject();
    else
        upgradeOrCancel();
}

void UpgradeWizard::startClosing()
{
    if (m_closing)
        return;
    m_closing = true;
    setBusy(false);
    if (m_engine && !m_engine->isFinished()) {
        m_engine->close(m_lease.nowMs());
        m_lease.pump();
        return;
    }
    finishClosing();
}

void UpgradeWizard::finishClosing()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_engine) {
        if (!m_engine->terminalSettingsAfter().isEmpty())
            m_link.settings().settings = m_engine->terminalSettingsAfter();
        m_baudChanged = m_engine->baudChanged();
    }
    // Releasing opens the terminal's line again with its (possibly restored) settings.
    m_lease.release();
    accept();
}

// ---- engine events ----

void UpgradeWizard::onEvents(const std::vector<EngineEvent> &events)
{
    for (const EngineEvent &event : events) {
        if (const auto *status = event.as<EngineEvent::Status>())
            onStatus(status->text);
        else if (const auto *progress = event.as<EngineEvent::Progress>())
            showProgress(progress->done, progress->total);
        else if (const auto *line = event.as<EngineEvent::Line>())
            m_view->appendReplyLog(line->text);
        else if (event.is<EngineEvent::Failed>())
            onEngineFailed();
        else if (event.is<EngineEvent::Finished>())
            finishClosing();
        if (m_closed)
            return;
    }
}

void UpgradeWizard::onStatus(const QString &text)
{
    using Phase = UpgradeEngine::Phase;
    if (text == QLatin1String("Done")) {
        m_view->setProgressText(QStringLiteral("Done"));
        return;
    }
    switch (m_engine->phase()) {
    case Phase::CommFailed:
        setBusy(false);
        m_view->appendMessage(kCommNotEstablished, UpgradeWizardView::kDarkRed);
        m_previous->setEnabled(true);
        break;
    case Phase::Refused:
    case Phase::Ready:
        checksDone();
        break;
    case Phase::Transferring:
        if (text == QLatin1String("Upgrading..."))
            m_view->setProgressText(text);
        break;
    case Phase::TransferDone:
        transferEnded(false);
        break;
    case Phase::TransferFailed:
        transferEnded(true);
        break;
    case Phase::TransferAborted:
        m_view->setProgressText(QStringLiteral("Aborted"));
        m_view->setProgress(100);
        QApplication::beep();
        m_upgradeCancel->setText(QStringLiteral("&Cancel"));
        m_upgradeCancel->setFocus();
        break;
    default:
        break;
    }
}

void UpgradeWizard::checksDone()
{
    setBusy(false);
    const UpgradeEngine &engine = *m_engine;
    m_view->controllerVersion()->setText(engine.controllerVersion());
    if (engine.plusLayout())
        m_view->usePlusLayout();
    m_view->setSerialLimit(serialNumberLimit(engine.serialPlusRule()));
    m_view->setIdentity(engine.serialNumber(), engine.typeNumber());
    m_previous->setEnabled(true);
    if (engine.phase() == UpgradeEngine::Phase::Refused) {
        if (!engine.refusal().isEmpty())
            m_view->setMessage(engine.refusal(), UpgradeWizardView::kRed);
        if (m_procedure == UpgradeProcedure::UKorvo && !engine.refusal().isEmpty())
            m_view->setProgressStats(coreVersionsText(engine.controllerCore(), m_scan->coreVersionText));
        if (m_procedure == UpgradeProcedure::OrvBrel && !engine.refusal().isEmpty())
            m_steps.backToFileSelection();
        return;
    }
    if (m_factory) {
        m_next->setEnabled(true);
        m_view->setMessage(
            QStringLiteral(
                "  If You need to change the Serial Number,\r\n     do it now!\r\n     Then press NEXT"),
            UpgradeWizardView::kNavy);
        setIdentityEditable(true);
        return;
    }
    m_steps.next();
    showStepText(Qt::black);
    enterStep(m_next);
}

void UpgradeWizard::transferEnded(bool failed)
{
    if (failed) {
        // Message code 4: the box is cleared.
        m_view->setMessage(QString(), UpgradeWizardView::kDarkRed);
        m_view->setProgressText(m_factory ? m_view->progressText() + QStringLiteral(" - Failed")
                                          : QStringLiteral("Failed"));
        if (!m_engine->transferProblem().isEmpty())
            m_view->setProgressStats(m_engine->transferProblem());
    } else if (m_engine->phase() == UpgradeEngine::Phase::TransferDone) {
        // The count of records taken, whole: the running figure is shown before each record goes out.
        QString stats = QStringLiteral("Records %1 of %2 sent, %3 bytes in %4")
                            .arg(m_engine->recordsSent())
                            .arg(m_engine->recordsTotal())
                            .arg(m_engine->bytesSent())
                            .arg(durationText(m_lease.nowMs() - m_transferStartMs));
        if (m_procedure == UpgradeProcedure::UKorvo)
            stats += QStringLiteral(" (a uKorvo is not sent the file's end record)");
        m_view->setProgressStats(stats);
    }
    m_view->setProgress(100);
    QApplication::beep();
    m_steps.advance();
    showStepText(Qt::black);
    m_next->setEnabled(false);
    m_previous->setEnabled(false);
    m_upgradeCancel->setText(QStringLiteral("&DONE"));
    m_upgradeCancel->setFocus();
}

void UpgradeWizard::onEngineFailed()
{
    // The line went away or could not be opened: said once, then as at a time-out.
    setBusy(false);
    const QString reason = m_engine ? m_engine->failure() : QString();
    if (m_closing) {
        finishClosing();
        return;
    }
    if (m_steps.step() == 9) {
        m_view->setProgressText(QStringLiteral("Failed"));
        m_view->setProgressStats(reason);
        transferEnded(false);
        return;
    }
    m_view->appendMessage(kCommNotEstablished +
                              (reason.isEmpty() ? QString() : QStringLiteral("\r\n") + reason),
                          UpgradeWizardView::kDarkRed);
    if (m_steps.step() >= 7)
        m_previous->setEnabled(true);
}

void UpgradeWizard::showProgress(qint64 done, qint64 total)
{
    const int percent =
        total > 0 ? int(std::min<qint64>(100, qRound64(double(done) * 100 / double(total)))) : 0;
    m_view->setProgress(percent);
    if (m_engine->phase() != UpgradeEngine::Phase::Transferring)
        return;
    const QString head =
        m_factory ? QString::fromLatin1(m_engine->currentRecord()) +
                        (m_engine->currentRecordUpper() ? QStringLiteral("  01") : QStringLiteral("  00"))
                  : QStringLiteral("Upgrading...");
    m_view->setProgressText(head + QStringLiteral(" %1%").arg(percent));
    const qint64 elapsed = std::max<qint64>(1, m_lease.nowMs() - m_transferStartMs);
    const double rate = double(done) * 1000.0 / double(elapsed);
    QString stats = QStringLiteral("Records %1 of %2, %3 bytes/s")
                        .arg(m_engine->recordsSent())
                        .arg(m_engine->recordsTotal())
                        .arg(qRound64(rate));
    if (rate > 0 && done < total)
        stats += QStringLiteral(", %1 left").arg(durationText(qint64(double(total - done) * 1000.0 / rate)));
    m_view->setProgressStats(stats);
}

// ---- presentation ----

void UpgradeWizard::showStepText(const QColor &colour)
{
    m_view->setMessage(m_steps.text(), colour);
}

void UpgradeWizard::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void UpgradeWizard::setIdentityEditable(bool editable)
{
    m_view->setIdentityEditable(editable && m_factory);
}

void UpgradeWizard::showPreflight()
{
    if (!m_scan || !m_engine)
        return;
    PreflightFacts facts{m_scan->versionText,
                         m_engine->controllerVersion(),
                         m_scan->coreVersionText,
                         m_engine->controllerCore(),
                         19200,
                         m_link.settings().tcpipEnabled ? 0 : m_link.settings().lineDelay};
    m_view->appendMessage(QStringLiteral("\r\n\r\n") +
                              preflightReport(m_plan, facts).join(QStringLiteral("\r\n")),
                          Qt::darkGray);
}

} // namespace korvo
