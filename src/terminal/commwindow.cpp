#include "terminal/commwindow.h"

#include "app/clock.h"
#include "app/prompt.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "terminal/displaytranslator.h"
#include "terminal/statuspanels.h"
#include "terminal/terminaldisplay.h"
#include "terminal/terminalfunctions.h"
#include "terminal/terminalinput.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"
#include "terminal/translatedialog.h"
#include "ui/printing.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace korvo {

CommWindow::CommWindow(int slot, CommWindowSettings &settings, Clock &clock, LinkFactory &factory,
                       CaptureFile &capture, const FileDialogs &fileDialogs, Prompt &prompt,
                       CommandHost &host, const QString &programDir, QWidget *parent)
    : QWidget(parent), m_slot(slot), m_settings(settings), m_programDir(programDir), m_prompt(prompt),
      m_host(host)
{
    CommWindowSettings &s = m_settings;

    m_link = std::make_unique<CommLink>(s, clock, factory);
    m_screen = std::make_unique<TerminalScreen>(s.rows, s.columns, s.scrollRows);
    m_display = std::make_unique<TerminalDisplay>(*m_screen);
    buildUi();
    wireLink();
    m_functions = std::make_unique<TerminalFunctions>(
        TerminalFunctions::Parts{*this, *m_functionBar, *m_view, *m_link, panels(),
                                 [this]() -> CommWindowSettings & { return m_settings; },
                                 [this](int group) { setFunctionGroup(group); }, m_programDir, capture,
                                 fileDialogs, m_prompt},
        clock);
    m_hooks.functionKey = [this](int n) { m_functions->runner().press(n - 1); };
    m_hooks.editFunctionKey = [this](int n) { m_functions->editKey(n - 1); };
    m_hooks.mayClose = [this] { return m_functions->mayClose(); };
    m_hooks.stopCapture = [this] { m_functions->stopCapture(); };

    if (s.state < 0)
        s.state = 0;
    setWindowTitle(s.name);
    setTerminal(kDisplayItems | kCommItems);
    if (s.state != 1)
        m_host.childActivated(WindowKind::Terminal, slot);
}

CommWindow::~CommWindow()
{
    // The link goes first, while everything its last notifications reach is still there (after the function
    // keys that hold a lease on it); the view goes before the screen it paints.
    m_hooks = {}; // they reach the function keys
    m_functions.reset();
    disconnect(m_link.get(), nullptr, this, nullptr);
    m_link.reset();
    m_input.reset();
    delete m_view;
    m_view = nullptr;
}

void CommWindow::buildUi()
{
    m_view = new TerminalView(*m_screen, this);
    m_input = std::make_unique<TerminalInput>(*m_view, *m_screen, *m_link);
    connect(m_input.get(), &TerminalInput::keyHandled, this, &CommWindow::setCommEdits);
    connect(m_input.get(), &TerminalInput::functionKeyPressed, this, [this](int key) {
        if (m_hooks.functionKey)
            m_hooks.functionKey(key);
    });
    connect(m_input.get(), &TerminalInput::editFunctionKeyPressed, this, [this](int key) {
        if (m_hooks.editFunctionKey)
            m_hooks.editFunctionKey(key);
    });
    connect(m_input.get(), &TerminalInput::copyRequested, this, &CommWindow::copySelection);

    m_functionBar = new QWidget(this);
    m_functionBar->setVisible(false);

    m_statusBar = new StatusPanels(*m_link, this);
    connect(m_statusBar, &StatusPanels::preferencesRequested, this, [this] {
        if (m_hooks.openPreferences)
            m_hooks.openPreferences();
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_functionBar);
    layout->addWidget(m_statusBar);
    setAutoFillBackground(true);
    // Activating the window puts the keyboard on the terminal.
    setFocusProxy(m_view);

    connect(m_view, &TerminalView::selectionChanged, this, &CommWindow::setCommEdits);
    connect(m_view, &TerminalView::rightButtonReleased, this, [this](const QPoint &globalPos) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()); sub && sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        m_host.childActivated(WindowKind::Terminal, m_slot);
        m_host.showTerminalMenu(globalPos, m_view->hasSelection());
    });

    connect(m_screen.get(), &TerminalScreen::bell, this, [] { QApplication::beep(); });

    QClipboard *clipboard = QGuiApplication::clipboard();
    m_clipboardHasText = !clipboard->text().isEmpty();
    connect(clipboard, &QClipboard::dataChanged, this, [this] {
        m_clipboardHasText = !QGuiApplication::clipboard()->text().isEmpty();
        setCommEdits();
    });
}

void CommWindow::wireLink()
{
    // Answers to the device's terminal queries (cursor position, device attributes) go back on the link,
    // as a real terminal's would; not while a device dialogue holds the line.
    m_screen->setOutput([this](const char *bytes, size_t length) {
        if (m_link->isConnected() && !m_link->hasEngine())
            m_link->sendToComm(QByteArray(bytes, qsizetype(length)), false);
    });
    connect(m_link.get(), &CommLink::dataReceived, this, [this](const QByteArray &data) {
        m_display->receive(data);
        m_view->paintIfDue();
        if (m_view->hasSelection())
            setCommEdits();
    });
    connect(m_link.get(), &CommLink::connectedChanged, this, [this] {
        if (isActiveChild())
            updateCommands(m_host);
    });
    // Shown after the link has finished its step, so a message box never runs inside the link's code.
    connect(
        m_link.get(), &CommLink::errorOccurred, this,
        [this](const QString &text, const QString &title, PromptIcon icon) {
            ask(m_prompt, text, title, icon);
        },
        Qt::QueuedConnection);
}

void CommWindow::setTerminal(int items)
{
    if (windowStateCode() == 1)
        return;
    CommWindowSettings &s = settings();
    if (items & kDisplayItems) {
        // Font and colours belong to the view; the screen keeps its contents and cursor.
        m_view->setTerminalFont(s.font, s.size, s.bold, s.italic);
        m_view->setColours(s.forecolor, s.backcolor);
        m_view->setBlockCursor(s.blockCursor != 0);
    }
    // The translations come with either group of items (the communication page of the preferences carries
    // them too); new ones redraw what is shown from the history, as a new grid does.
    const TranslateOptions translations = TranslateOptions::fromSettings(s);
    const bool retranslate = !(translations == m_display->translator().options());
    m_display->translator().setOptions(translations);
    if (items & kCommItems) {
        if (m_hooks.stopCapture)
            m_hooks.stopCapture();
        m_link->applyCommSettings();
    }
    setWindowTitle(s.name);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, TerminalView::paletteColour(s.backcolor));
    setPalette(pal);
    setFunctionGroup(s.fGroup);
    applyGrid(retranslate);
    layoutWindow();
}

void CommWindow::applyGrid(bool force)
{
    const CommWindowSettings &s = settings();
    m_display->setHistoryLimit(qsizetype(s.rows) * s.columns);
    if (!force && s.rows == m_screen->rows() && s.columns == m_screen->columns()) {
        m_screen->setScrollRows(s.scrollRows);
        return;
    }
    // A new grid is drawn again from the history, so the text flows at the new width.
    m_screen->resize(s.rows, s.columns);
    m_screen->setScrollRows(s.scrollRows);
    m_screen->clear();
    m_display->displayReceived(m_display->history());
    m_view->updateGeometry();
}

void CommWindow::clearCommWindow()
{
    m_display->clearHistory();
    m_view->clearSelection();
    applyGrid(true);
    setCommEdits();
}

void CommWindow::connectComm(bool connect)
{
    m_link->connectComm(connect);
}

bool CommWindow::isConnected() const
{
    return m_link->isConnected();
}

QString CommWindow::terminalText(bool withScrollBack) const
{
    const int first = withScrollBack ? 0 : m_screen->scrollbackCount();
    QStringList lines;
    for (int line = first; line < m_screen->lineCount(); ++line)
        lines << m_screen->lineText(line);
    // The screen fills from its bottom row: blank rows before the first text and after the last are no text.
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.isEmpty() ? QString() : lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

bool CommWindow::hasText() const
{
    for (int line = 0; line < m_screen->lineCount(); ++line)
        if (!m_screen->lineText(line).isEmpty())
            return true;
    return false;
}

TerminalPrintSource CommWindow::printSource() const
{
    TerminalPrintSource source;
    source.screen = terminalText(false);
    source.withScrollBack = terminalText(true);
    source.selection = m_view->selectedText();
    QFont font = m_view->terminalFont();
    font.setFamily(settings().font);
    source.font = font;
    return source;
}

void CommWindow::copySelection()
{
    if (!m_view->hasSelection())
        return;
    // As other terminals on X11 do, the copy is also the primary selection that a middle click pastes.
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QString text = m_view->selectedText();
    clipboard->setText(text);
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
    m_view->clearSelection();
}

void CommWindow::pasteClipboard()
{
    m_input->pasteClipboard();
}

void CommWindow::selectAll()
{
    m_view->selectAll();
}

void CommWindow::writeClipboard()
{
    m_input->writeClipboard();
}

void CommWindow::showTranslateDialog()
{
    TranslateDialog dialog(TranslateDialog::Options::of(settings()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.options().applyTo(settings());
    setTerminal(kDisplayItems);
}

void CommWindow::setFunctionGroup(int group)
{
    CommWindowSettings &s = settings();
    s.fGroup = int16_t(std::clamp(group, 0, std::max(0, int(s.fGroupCt) - 1)));
    m_functions->fillFuncKeys();
    emit functionGroupChanged();
}

StatusPanels &CommWindow::panels() const
{
    return *m_statusBar;
}

void CommWindow::layoutWindow()
{
    // A hidden window is laid out when it is shown; doing it now as well would be done twice.
    if (QLayout *l = layout(); l && isVisible())
        l->activate();
}

void CommWindow::sizeCommWindow()
{
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (sub && !sub->isMinimized() && !sub->isMaximized())
        sub->resize(sub->size() - size() + sizeHint());
    layoutWindow();
}

bool CommWindow::isActiveChild() const
{
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!sub || !sub->mdiArea())
        return true;
    return sub->mdiArea()->activeSubWindow() == sub;
}

void CommWindow::setCommEdits()
{
    if (!isActiveChild())
        return;
    updateClipboardCommands(m_host);
    Q_EMIT editCommandsChanged();
}

void CommWindow::updateClipboardCommands(CommandHost &host) const
{
    const bool selected = m_view->hasSelection();
    for (Command command : {Command::Copy, Command::Cut, Command::CommCopy})
        host.setEnabled(command, selected);
    for (Command command : {Command::Paste, Command::CommPaste})
        host.setEnabled(command, m_clipboardHasText);
}

void CommWindow::updateCommands(CommandHost &host)
{
    host.childActivated(WindowKind::Terminal, m_slot);
    const bool connected = isConnected();
    host.setEnabled(Command::Connect, !connected);
    host.setEnabled(Command::Disconnect, connected);
    for (Command command :
         {Command::FileNew, Command::FileOpen, Command::FilePrint, Command::Clear, Command::Snap,
          Command::Upload, Command::Download, Command::Preferences, Command::CommSelectAll})
        host.setEnabled(command, true);
    updateClipboardCommands(host);
}

int CommWindow::windowStateCode() const
{
    const QWidget *w = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!w)
        w = this;
    return w->isMinimized() ? 1 : w->isMaximized() ? 2 : 0;
}

void CommWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_view->setFocus();
    }
}

bool CommWindow::mayClose()
{
    return !m_hooks.mayClose || m_hooks.mayClose();
}

void CommWindow::closeEvent(QCloseEvent *event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    // A window closed with the application comes back at the next start; one the user closed does not.
    settings().state = closingApplication() ? int16_t(windowStateCode()) : kSlotFree;
    m_link->shutdown();
    event->accept();
}

} // namespace korvo
