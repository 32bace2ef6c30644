#include "benchworkspace.h"

#include "app/twips.h"
#include "editor/praxislexer.h"
#include "settings/prefsfile.h"
#include "shell/mainwindow.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <Qsci/qsciscintilla.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace korvo::bench {

ProgramOptions freshOptions(const QString &folder)
{
    ProgramOptions options;
    options.version = QStringLiteral("1.000.000");
    options.startDir = folder;
    options.programDir = QCoreApplication::applicationDirPath();
    options.prefFile = QDir(folder).filePath(QStringLiteral("korvoterm.ktm"));
    return options;
}

bool writePrefs(const ProgramOptions &options, const Preferences &prefs)
{
    return writeIniFile(prefsPath(options.prefFile, options.startDir), prefs, options.version,
                        options.factory);
}

PromptAnswer DefaultAnswerPrompt::ask(const PromptRequest &request)
{
    return firstButtonAnswer(request.buttons);
}

FirstFrame::FirstFrame(QEventLoop &loop) : m_loop(loop)
{
    qApp->installEventFilter(this);
}

FirstFrame::~FirstFrame()
{
    qApp->removeEventFilter(this);
}

bool FirstFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_seen && m_window && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == m_window) {
        m_seen = true;
        QTimer::singleShot(0, &m_loop, &QEventLoop::quit);
    }
    return false;
}

namespace {

void writeProgram(const QString &path, int number)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (int line = 0; line < 200; ++line)
        file.write(QStringLiteral("PGM %1 ' axis %2 step %3\r\n  MA %4\r\n  H\r\nEND\r\n")
                       .arg(number)
                       .arg(line % 4)
                       .arg(line)
                       .arg(line * 125)
                       .toLatin1());
}

} // namespace

void writeLargeWorkspace(const QString &folder, int editWindows)
{
    Preferences state;
    state.setup.state = 0;
    state.setup.width = 18000;
    state.setup.height = 12000;
    for (int n = 1; n <= editWindows; ++n) {
        // Past the twentieth the windows hold new documents: the windows are measured, not the disk.
        const QString path = QDir(folder).filePath(QStringLiteral("axis%1.vxt").arg(n));
        if (n <= 20)
            writeProgram(path, n);
        state.ensureEditSlot(n);
        EditSlot &slot = state.editSlots[size_t(n)];
        slot = state.editSlots[0];
        slot.state = 0;
        slot.name = path;
        slot.top = slot.left = 350 * ((n - 1) % 20);
    }
    state.docCt = int16_t(editWindows);
    for (int n = 1; n <= kMaxTerminals; ++n) {
        CommWindowSettings &slot = addTerminalSlot(state, n);
        slot.top = slot.left = 350 * (n - 1);
    }
    state.commCt = kMaxTerminals;
    writePrefs(freshOptions(folder), state);
}

CommWindowSettings &addTerminalSlot(Preferences &prefs, int n)
{
    prefs.ensureCommSlot(n);
    CommWindowSettings &slot = prefs.commSlots[size_t(n)];
    slot = prefs.commSlots[0];
    slot.state = 0;
    slot.name = QStringLiteral("Terminal %1").arg(n);
    slot.port = int16_t(n);
    return slot;
}

std::unique_ptr<MainWindow> showWorkspace(const ProgramOptions &options, Prompt &prompt, int windows)
{
    QEventLoop loop;
    FirstFrame frame(loop);
    auto window = std::make_unique<MainWindow>(options, prompt);
    frame.watch(window.get());
    window->start();
    loop.exec();
    if (window->children()->all().size() != windows)
        std::fprintf(stderr, "workspace: expected %d windows, found %d\n", windows,
                     int(window->children()->all().size()));
    return window;
}

ToolkitFloor::ToolkitFloor() = default;
ToolkitFloor::~ToolkitFloor() = default;

std::unique_ptr<ToolkitFloor> showToolkitFloor()
{
    const Preferences defaults;
    const CommWindowSettings &comm = defaults.commSlots[0];
    const EditSlot &edit = defaults.editSlots[0];
    const LanguageSets sets;
    const LanguageSet &styles = sets.set(UKorvo);
    const ViewParameters &view = styles.view;
    QEventLoop loop;
    FirstFrame frame(loop);
    auto floor = std::make_unique<ToolkitFloor>();
    floor->window = std::make_unique<QMainWindow>();
    QMainWindow *window = floor->window.get();
    frame.watch(window);
    auto *area = new QMdiArea;
    // Scroll bars as the program's workspace has them: this one overflows the area as well.
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    window->setCentralWidget(area);
    const QScreen *screen = area->screen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    const auto place = [&](QWidget *widget, int n, int32_t width, int32_t height) {
        QMdiSubWindow *sub = area->addSubWindow(widget);
        const int offset = twipsToPixels(350 * n, dpi);
        sub->setGeometry(offset, offset, twipsToPixels(width, dpi), twipsToPixels(height, dpi));
        sub->show();
    };
    // The style table's font and colours, set on the lexer directly: what any Scintilla lexer needs.
    const QFont font = QFontDatabase::hasFamily(view.font)
                           ? QFont(view.font)
                           : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int n = 0; n < 20; ++n) {
        auto *editor = new QsciScintilla;
        editor->setUtf8(true);
        auto *lexer = new PraxisLexer(editor);
        lexer->setDefaultFont(font);
        for (int type = 0; type < kPraxisTokenTypes; ++type) {
            const TokenStyle &token = styles.tokens[type];
            QFont styled = font;
            styled.setPointSizeF(view.size);
            styled.setBold(token.bold);
            styled.setItalic(token.italic);
            lexer->setFont(styled, type);
            lexer->setColor(styleColour(token.fore), type);
            lexer->setPaper(styleColour(token.back), type);
        }
        editor->setLexer(lexer);
        editor->setTabWidth(view.tab);
        place(editor, n, edit.width, edit.height);
    }
    for (int n = 0; n < kMaxTerminals; ++n) {
        floor->screens.push_back(std::make_unique<TerminalScreen>(comm.rows, comm.columns, comm.scrollRows));
        auto *terminal = new TerminalView(*floor->screens.back());
        terminal->setTerminalFont(comm.font, comm.size, comm.bold, comm.italic);
        place(terminal, n, comm.width, comm.height);
    }
    window->resize(twipsToPixels(18000, dpi), twipsToPixels(12000, dpi));
    window->show();
    loop.exec();
    return floor;
}

} // namespace korvo::bench
