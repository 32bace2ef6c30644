#include "tools/linemonitorwindow.h"
#include "ui/altletters.h"

#include "app/atomicfile.h"
#include "app/clock.h"
#include "link/commlink.h"
#include "ui/filedialogs.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace korvo {

namespace {
// Sent in blue, received in dark green, markers in grey: the colours of a light view.
QColor directionColour(TraceEvent::Kind kind)
{
    switch (kind) {
    case TraceEvent::Kind::Sent:
        return QColor(0x00, 0x40, 0xc0);
    case TraceEvent::Kind::Received:
        return QColor(0x00, 0x80, 0x20);
    case TraceEvent::Kind::JobStart:
    case TraceEvent::Kind::JobEnd:
        break;
    }
    return QColor(0x70, 0x70, 0x70);
}
} // namespace

LineMonitorWindow::LineMonitorWindow(Clock &clock, const FileDialogs &dialogs, Prompt &prompt,
                                     QWidget *parent)
    : QWidget(parent, Qt::Tool), m_dialogs(dialogs), m_prompt(prompt), m_trace(clock)
{
    setWindowTitle(QStringLiteral("Line Monitor"));
    m_view = new QPlainTextEdit(this);
    m_view->setReadOnly(true);
    m_view->setAccessibleName(QStringLiteral("Line Monitor")); // the window's content, captioned by its title
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The view holds no more than the trace does.
    m_view->setMaximumBlockCount(int(LineTrace::kCapacity));
    m_status = new QLabel(this);
    auto *save = new QPushButton(QStringLiteral("&Save..."), this);
    connect(save, &QPushButton::clicked, this, &LineMonitorWindow::save);
    auto *clear = new QPushButton(QStringLiteral("&Clear"), this);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_trace.clear();
        m_shown = m_trace.total();
        m_view->clear();
    });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(clear);
    buttons->addWidget(save);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    resize(720, 400);

    // A busy line adds many events between two looks; ten looks a second keep up without costing the link.
    connect(&m_refresh, &QTimer::timeout, this, &LineMonitorWindow::refresh);
    m_refresh.start(100);
    giveAltLetters(this);
}

LineMonitorWindow::~LineMonitorWindow()
{
    detachTrace();
}

void LineMonitorWindow::detachTrace()
{
    if (m_link)
        m_link->setTrace(nullptr);
    m_link = nullptr;
}

void LineMonitorWindow::setTerminal(CommLink *link)
{
    if (link == m_link)
        return;
    detachTrace();
    m_trace.clear();
    m_shown = m_trace.total();
    m_view->clear();
    m_link = link;
    if (!link)
        return;
    link->setTrace(&m_trace);
    m_status->setText(link->deviceName());
}

void LineMonitorWindow::refresh()
{
    if (m_trace.total() == m_shown)
        return;
    // Events the ring let go before they were shown are gone from the view as well.
    const quint64 first = m_trace.total() - quint64(m_trace.size());
    qsizetype i = qsizetype(std::max(m_shown, first) - first);
    m_shown = m_trace.total();

    QScrollBar *bar = m_view->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor cursor(m_view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QTextCharFormat format;
    for (; i < m_trace.size(); ++i) {
        const TraceEvent &event = m_trace.at(i);
        format.setForeground(directionColour(event.kind));
        for (const QString &row : traceRows(event)) {
            if (!m_view->document()->isEmpty())
                cursor.insertBlock();
            cursor.insertText(row, format);
        }
    }
    cursor.endEditBlock();
    if (following)
        bar->setValue(bar->maximum());
}

bool LineMonitorWindow::save()
{
    const std::optional<QString> path =
        m_dialogs.getFile(FileDialogKind::TraceFile, PlainText, QString(), FileDialogMode::Save, this);
    if (!path)
        return false;
    AtomicFile file(*path);
    if (file.write(traceLog(m_trace)))
        return true;
    ask(m_prompt, file.errorString(), QStringLiteral("Line Monitor"), PromptIcon::Exclamation);
    return false;
}

QString LineMonitorWindow::viewText() const
{
    return m_view->toPlainText();
}

void LineMonitorWindow::closeEvent(QCloseEvent *event)
{
    detachTrace();
    QWidget::closeEvent(event);
}

} // namespace korvo
