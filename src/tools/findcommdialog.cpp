#include "tools/findcommdialog.h"
#include "ui/altletters.h"

#include "app/prompt.h"
#include "link/commlink.h"
#include "settings/preferences.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

namespace korvo {

namespace {

QColor logColour(int colour)
{
    // Colours are stored with red in the low byte.
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

} // namespace

FindCommDialog::FindCommDialog(CommLink &link, Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_link(link), m_prompt(prompt)
{
    buildUi();
    giveAltLetters(this);
    const CommWindowSettings &s = link.settings();
    m_delay->setCurrentIndex(CommSearchEngine::defaultCtlCDelayMs(s.device, s.tcpipEnabled) / 500 - 1);

    // The terminal lets go of its line; the search opens it for itself with the terminal's settings.
    m_link.connectComm(false);
    m_engine =
        std::make_unique<CommSearchEngine>(CommSearchEngine::Options{s.device, s.tcpipEnabled, 1500, false});
    m_lease = m_link.attach(
        *m_engine, windowTitle(), [this](const std::vector<EngineEvent> &events) { onEvents(events); },
        CommLink::LeaseKind::Exclusive);
}

FindCommDialog::~FindCommDialog() = default;

void FindCommDialog::buildUi()
{
    setWindowTitle(QStringLiteral("Find Comm. Settings"));
    m_log = new QTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setObjectName(QStringLiteral("rtfFindCommSetting"));
    m_log->setAccessibleName(QStringLiteral("Search Log"));
    m_delay = new QComboBox(this);
    m_delay->setObjectName(QStringLiteral("cboCtlC_Delay"));
    for (const char *item :
         {".5 sec", "1.0 sec", "1.5 sec", "2.0 sec", "2.5 sec", "3.0 sec", "3.5 sec", "4.0 sec", "4.5 sec"})
        m_delay->addItem(QLatin1String(item));
    auto *delayLabel = new QLabel(QStringLiteral("Ctl+C Delay:"), this);
    delayLabel->setBuddy(m_delay);
    m_find = new QPushButton(QStringLiteral("&Find"), this);
    m_find->setObjectName(QStringLiteral("cmdFind"));
    m_accept = new QPushButton(QStringLiteral("Accept"), this);
    m_accept->setObjectName(QStringLiteral("cmdAccept"));
    m_accept->setEnabled(false);
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("cmdDone"));
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("progress"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(delayLabel);
    buttons->addWidget(m_delay);
    buttons->addStretch(1);
    buttons->addWidget(m_find);
    buttons->addWidget(m_accept);
    buttons->addWidget(m_done);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_log, 1);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    resize(520, 420);

    connect(m_find, &QPushButton::clicked, this, &FindCommDialog::find);
    connect(m_accept, &QPushButton::clicked, this, &FindCommDialog::accept);
    connect(m_done, &QPushButton::clicked, this, &FindCommDialog::reject);
}

void FindCommDialog::appendLog(const QString &text, int colour)
{
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    m_piecePositions << cursor.position();
    QTextCharFormat format;
    format.setForeground(logColour(colour));
    cursor.insertText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), format);
    m_log->setTextCursor(cursor);
}

void FindCommDialog::onEvents(const std::vector<EngineEvent> &events)
{
    for (const EngineEvent &event : events) {
        if (const auto *line = event.as<EngineEvent::Line>()) {
            appendLog(line->text, line->style);
        } else if (const auto *progress = event.as<EngineEvent::Progress>()) {
            if (progress->done >= progress->total) {
                searchEnded();
            } else {
                const qint64 perRate = std::max<qint64>(1, progress->total / 5);
                const qint64 secondsLeft = (m_engine->estimatedMsLeft(progress->done) + 999) / 1000;
                m_progress->setText(QStringLiteral("Rate %1 of 5, probe %2 of %3, about %4 s left")
                                        .arg(progress->done / perRate + 1)
                                        .arg(progress->done % perRate + 1)
                                        .arg(perRate)
                                        .arg(secondsLeft));
            }
        } else if (const auto *status = event.as<EngineEvent::Status>()) {
            // Shown after the link has finished its step, so the box never runs inside it.
            QTimer::singleShot(0, this, [this, text = status->text] {
                ask(m_prompt, text, QStringLiteral("Comm Error"), PromptIcon::Critical);
            });
        } else if (const auto *failure = event.as<EngineEvent::Failed>()) {
            if (m_searching)
                searchEnded();
            appendLog(QStringLiteral("Could not establish Communications - ") + failure->reason,
                      CommSearchEngine::DarkRed);
            m_find->setEnabled(false);
        }
    }
}

void FindCommDialog::find()
{
    if (m_searching) {
        m_engine->stop();
        m_find->setText(QStringLiteral("&Find"));
        return;
    }
    m_accept->setEnabled(false);
    m_log->clear();
    m_piecePositions.clear();
    m_searching = true;
    setCursor(Qt::BusyCursor);
    m_find->setText(QStringLiteral("&Stop"));
    m_engine->setCtlCDelayMs((m_delay->currentIndex() + 1) * 500);
    m_engine->find(m_lease.nowMs());
    m_lease.pump();
}

void FindCommDialog::searchEnded()
{
    m_searching = false;
    unsetCursor();
    m_find->setText(QStringLiteral("&Find"));
    m_progress->clear();
    // The caret goes to where the found rate's section begins; the view shows the closing line, which
    // says what was found (or that nothing was).
    if (m_engine->foundPiece() >= 0 && m_engine->foundPiece() < m_piecePositions.size()) {
        QTextCursor cursor(m_log->document());
        cursor.setPosition(m_piecePositions.at(m_engine->foundPiece()));
        m_log->setTextCursor(cursor);
    }
    m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
    m_accept->setEnabled(m_engine->foundRate() != 0);
}

void FindCommDialog::accept()
{
    const int rate = m_engine->foundRate();
    if (rate != 0) {
        m_engine->accept();
        m_lease.pump();
    }
    m_lease.release();
    if (rate != 0) {
        CommWindowSettings &s = m_link.settings();
        s.settings = QString::number(rate) + QStringLiteral(",N,8,1");
        m_link.connectComm(true);
        m_link.refreshPanels();
        m_acceptedRate = rate;
    }
    QDialog::accept();
}

void FindCommDialog::done(int result)
{
    m_lease.release();
    QDialog::done(result);
}

} // namespace korvo
