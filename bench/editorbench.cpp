// "editor": opening a 10 MB Praxis program in an edit window, and typing in it with and without colouring.

#include "benchregistry.h"

#include "benchworkspace.h"
#include "editor/editwindow.h"
#include "editor/languageset.h"
#include "settings/preferences.h"
#include "ui/filedialogs.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdio>
#include <memory>

namespace {

// About 10 MB in about 180,000 lines: labels, moves, comments, strings, hex values and listing headers.
QByteArray generateProgram()
{
    QByteArray program;
    program.reserve(10 * 1024 * 1024 + 4096);
    program += "'[PROGRAMS]\r\n";
    int n = 0;
    while (program.size() < 10 * 1024 * 1024) {
        switch (n % 6) {
        case 0:
            program += "PG " + QByteArray::number(n % 10000) +
                       "    ' program block of the conveyor axis, first station\r\n";
            break;
        case 1:
            program += "  move " + QByteArray::number(n * 7 % 100000) + " ' to station " +
                       QByteArray::number(n % 97) + " of the assembly line\r\n";
            break;
        case 2:
            program += "  velocity=" + QByteArray::number(n % 5000) +
                       ".5 : accel=0x1F40 ' ramp up gently to speed\r\n";
            break;
        case 3:
            program += "  pr \"position \",myvar" + QByteArray::number(n % 50) +
                       " ' report position to the host\r\n";
            break;
        case 4:
            program += "  if counter>" + QByteArray::number(n % 300) + " then branch done_" +
                       QByteArray::number(n % 40) + " ' count reached\r\n";
            break;
        default:
            program += "  call subroutine_" + QByteArray::number(n % 64) +
                       " ' wait for the sensor input to settle\r\n";
            break;
        }
        ++n;
    }
    return program;
}

void typeKey(QsciScintilla *editor, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(editor, &press);
    QApplication::sendEvent(editor, &release);
}

// Median time of one keystroke and the repaint it causes; each key is taken back (untimed) so that both
// modes type into the same line.
double keystrokeMs(korvo::EditWindow &window, int count)
{
    QsciScintilla *editor = window.editor();
    editor->setCursorPosition(12, 4);
    editor->viewport()->repaint();
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        times.push_back(korvo::bench::timeMs([&] {
            typeKey(editor, Qt::Key_X, QStringLiteral("x"));
            editor->viewport()->repaint();
        }));
        typeKey(editor, Qt::Key_Backspace, QString());
        editor->viewport()->repaint();
    }
    return korvo::bench::median(times);
}

// Counts the editor's paints: a figure taken while nothing was painted would measure nothing.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

int editorBenchmark(const QStringList &args)
{
    const int runs = korvo::bench::runCount(args, 5);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.vxt"));
    const QByteArray program = generateProgram();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(program) != program.size()) {
            std::fprintf(stderr, "editor: cannot write %s: %s\n", qPrintable(path),
                         qPrintable(file.errorString()));
            return 1;
        }
    }
    korvo::Preferences state;
    const QString programDir = QCoreApplication::applicationDirPath();
    korvo::LanguageSets languages;
    languages.loadAll(state.styles, programDir);
    state.ensureEditSlot(1);
    state.editSlots[1] = state.editSlots[0];
    state.docCt = 1;

    // The file opens into an edit window that is already on the screen, as File Open does.
    korvo::bench::DefaultAnswerPrompt prompt;
    korvo::IdleCommandHost host;
    auto window = std::make_unique<korvo::EditWindow>(
        1, state.editSlots[1], korvo::EditWindowSettings{state.setup, state.styles, languages, programDir},
        korvo::realFileDialogs(), prompt, host);
    window->resize(1000, 700);
    window->show();
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    PaintCounter counter;
    window->editor()->viewport()->installEventFilter(&counter);
    std::vector<double> openTimes;
    for (int run = 0; run < runs; ++run) {
        window->newDocument(QStringLiteral("Program"));
        window->editor()->viewport()->repaint();
        openTimes.push_back(korvo::bench::timeMs([&] {
            window->openEditFile(path);
            window->editor()->viewport()->repaint();
        }));
    }
    const int lines = window->editor()->lines();
    const double lexer = keystrokeMs(*window, 200);
    window->setFileType(QStringLiteral("TXT"));
    const double plain = keystrokeMs(*window, 200);
    if (counter.paints < 2 * runs + 4 * 200) {
        std::fprintf(stderr, "editor: the window did not paint (%d paints)\n", counter.paints);
        return 1;
    }

    korvo::bench::report("file_mb", program.size() / (1024.0 * 1024.0), "MB");
    korvo::bench::report("file_lines", lines, "lines");
    korvo::bench::report("open_10mb_ms", korvo::bench::median(openTimes), "ms");
    korvo::bench::report("keystroke_lexer_ms", lexer, "ms");
    korvo::bench::report("keystroke_plain_ms", plain, "ms");
    korvo::bench::report("keystroke_lexer_to_plain", plain > 0 ? lexer / plain : 0, "x");
    return 0;
}

} // namespace

KORVO_WIDGET_BENCHMARK("editor",
                       "open a 10 MB program in an edit window; keystroke time with and without colouring",
                       editorBenchmark);
