#include "tools/ramviewerwindow.h"
#include "ui/altletters.h"

#include "link/commlink.h"
#include "settings/preferences.h"
#include "tools/ramdump.h"
#include "tools/ramregisters.h"
#include "ui/selectinglineedit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>

namespace korvo {

RamViewerWindow::RamViewerWindow(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    buildUi();
    giveAltLetters(this);
}

RamViewerWindow::~RamViewerWindow() = default;

void RamViewerWindow::buildUi()
{
    setWindowTitle(QStringLiteral("RAM Viewer"));
    m_block = new QComboBox(this);
    m_block->setObjectName(QStringLiteral("cboAddress"));
    for (const RamBlock &block : ramregisters::blocks())
        m_block->addItem(block.name);
    m_address = new SelectingLineEdit(this);
    m_address->setObjectName(QStringLiteral("txtAddress"));
    m_count = new SelectingLineEdit(this);
    m_count->setObjectName(QStringLiteral("txtCt"));
    // Three dump sets: each starts its own comparison, so choosing another one marks the address as
    // changed (the next read clears the dump and marks nothing).
    auto *sets = new QHBoxLayout;
    m_sets = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(QString::number(i + 1), this);
        option->setObjectName(QStringLiteral("optSet%1").arg(i));
        option->setChecked(i == 0);
        m_sets->addButton(option, i);
        sets->addWidget(option);
    }
    sets->addStretch(1);
    m_read = new QPushButton(QStringLiteral("Read"), this);
    m_read->setObjectName(QStringLiteral("cmdRead"));
    m_dump = new QTextEdit(this);
    m_dump->setObjectName(QStringLiteral("rtfRam_Viewer"));
    m_dump->setReadOnly(true);
    m_dump->setAccessibleName(QStringLiteral("RAM Viewer")); // the window's content, captioned by its title
    m_dump->setLineWrapMode(QTextEdit::NoWrap);
    m_dump->viewport()->installEventFilter(this);
    m_dump->viewport()->setMouseTracking(true);
    m_data = new QLabel(this);
    m_data->setObjectName(QStringLiteral("lblData"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Select Address Block"), m_block);
    form->addRow(QStringLiteral("RAM Address (hex)"), m_address);
    form->addRow(QStringLiteral("Byte Count to View (decimal)"), m_count);
    form->addRow(QStringLiteral("Dump Set"), sets);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_read);
    layout->addWidget(m_dump, 1);
    layout->addWidget(m_data);
    resize(640, 360);

    connect(m_block, &QComboBox::currentIndexChanged, this, &RamViewerWindow::chooseBlock);
    connect(m_address, &QLineEdit::textChanged, this, [this] { m_addressChanged = true; });
    connect(m_sets, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            m_addressChanged = true;
    });
    connect(m_count, &QLineEdit::textChanged, this, &RamViewerWindow::fitDumpToRows);
    connect(m_read, &QPushButton::clicked, this, &RamViewerWindow::read);
    chooseBlock(0);
}

void RamViewerWindow::setTerminal(CommLink *link)
{
    if (m_link == link)
        return;
    m_lease.release();
    m_link = link;
    if (!link)
        return;
    const CommWindowSettings &s = link->settings();
    QFont font(s.font);
    font.setPointSize(std::max(1, int(s.size)));
    font.setBold(s.bold);
    font.setItalic(s.italic);
    font.setStyleHint(QFont::Monospace);
    m_dump->setFont(font);
    fitDumpToRows();
}

void RamViewerWindow::fitDumpToRows()
{
    // Room for the rows the count asks for, below the two blank lines and the header a read writes, and
    // for a whole row across; a block larger than most of the screen scrolls instead.
    const int rows =
        std::max(1, (m_count->text().toInt() + ramdump::kBytesPerRow - 1) / ramdump::kBytesPerRow);
    const QFontMetricsF metrics(m_dump->font());
    const int edges = 2 * int(m_dump->document()->documentMargin()) + 2 * m_dump->frameWidth();
    const int wantedHeight = (rows + 3) * int(std::ceil(metrics.lineSpacing())) + edges;
    const int wantedWidth =
        int(std::ceil(metrics.horizontalAdvance(ramdump::header(ramdump::kBytesPerRow)))) + edges +
        m_dump->verticalScrollBar()->sizeHint().width();
    const QScreen *where = screen();
    const QSize room = where ? where->availableGeometry().size() : QSize(wantedWidth, wantedHeight);
    m_dump->setMinimumSize(std::min(wantedWidth, room.width() * 9 / 10),
                           std::min(wantedHeight, room.height() * 3 / 5));
    if (layout()) {
        layout()->activate();
        resize(size().expandedTo(minimumSizeHint()));
    }
}

void RamViewerWindow::chooseBlock(int index)
{
    const RamBlock &block = ramregisters::blocks().at(index);
    m_address->setText(block.address);
    m_count->setText(block.count);
    m_addressChanged = true;
}

void RamViewerWindow::read()
{
    if (isBusy())
        return;
    const bool open = m_link && m_link->isConnected() && (m_link->isTcp() || m_link->isPortOpen());
    if (!open) {
        m_dump->setPlainText(QStringLiteral("Comm Port Not Open!"));
        return;
    }
    // Another job on the terminal keeps its link; the viewer says which, where it shows its other messages.
    if (const QString busy = m_link->busyText(); !busy.isEmpty()) {
        showMessage(busy);
        return;
    }
    if (m_addressChanged)
        m_dump->clear();
    setCursor(Qt::BusyCursor);
    m_engine = std::make_unique<RamReadEngine>(m_address->text(), m_count->text());
    m_lease = m_link->attach(*m_engine, QStringLiteral("RAM Viewer read"),
                             [this](const std::vector<EngineEvent> &events) {
                                 for (const EngineEvent &e : events)
                                     if (e.ends())
                                         readEnded();
                             });
}

void RamViewerWindow::readEnded()
{
    // The terminal gets its receive mode back whatever happened.
    m_lease.release();
    unsetCursor();
    switch (m_engine->outcome()) {
    case RamReadEngine::Outcome::Dump: {
        // A reply that does not hold the requested address (an error, echoes) adds nothing to the dump; it
        // came in time, so it is no time-out, and the label says what was missing.
        const QString dump =
            ramdump::extract(m_engine->printed(), m_address->text(), m_count->text().toInt());
        if (dump.isEmpty())
            m_data->setText(
                QStringLiteral("The reply does not hold address %1.")
                    .arg(m_address->text().trimmed().rightJustified(4, QLatin1Char('0')).toUpper()));
        else
            showDump(dump);
        break;
    }
    case RamReadEngine::Outcome::Pending:
        showMessage(m_engine->failure());
        break;
    default:
        showMessage(m_engine->message());
        break;
    }
    emit readFinished();
}

void RamViewerWindow::showMessage(const QString &text)
{
    m_dump->setPlainText(text);
}

void RamViewerWindow::showDump(const QString &dump)
{
    QTextCursor cursor(m_dump->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat black;
    black.setForeground(Qt::black);
    QTextCharFormat red;
    red.setForeground(Qt::red);
    const int count = m_count->text().toInt();
    cursor.insertText(QStringLiteral("\n\n") + ramdump::header(count) + QLatin1Char('\n'), black);
    for (const DumpRun &run : ramdump::mark(dump, m_previous, !m_addressChanged))
        cursor.insertText(QString(run.text).remove(QLatin1Char('\r')), run.changed ? red : black);
    m_dump->setTextCursor(cursor);
    m_previous = dump;
    m_addressChanged = false;
}

QString RamViewerWindow::dumpText() const
{
    return m_dump->toPlainText();
}

void RamViewerWindow::showHint(const QPoint &pos)
{
    if (isBusy() || m_dump->document()->isEmpty())
        return;
    const QTextCursor cursor = m_dump->cursorForPosition(pos);
    const QString line = cursor.block().text();
    const QString hint = ramregisters::hint(m_block->currentText(), line, cursor.positionInBlock());
    m_dump->setToolTip(hint);
    m_data->setText(hint);
}

void RamViewerWindow::closeEvent(QCloseEvent *event)
{
    m_lease.release();
    emit closing(QRect(pos(), size()));
    QWidget::closeEvent(event);
}

bool RamViewerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dump->viewport() && event->type() == QEvent::MouseMove)
        showHint(static_cast<QMouseEvent *>(event)->pos());
    return QWidget::eventFilter(watched, event);
}

} // namespace korvo
