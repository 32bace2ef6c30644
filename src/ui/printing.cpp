#include "printing.h"

#include "app/prompt.h"

#include <Qsci/qsciprinter.h>
#include <Qsci/qsciscintilla.h>

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace korvo {

bool printEditor(QsciScintilla *editor, QsciPrinter &printer)
{
    printer.setWrapMode(QsciScintilla::WrapWord);
    return printer.printRange(editor) >= 0;
}

bool printText(const QString &text, const QFont &font, QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(QFont(font, painter.device()));
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect page = painter.viewport();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    int y = metrics.ascent();
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (y > page.height()) {
            printer.newPage();
            y = metrics.ascent();
        }
        painter.drawText(0, y, line);
        y += lineHeight;
    }
    return painter.end();
}

void printEditWindow(QsciScintilla *editor, QWidget *parent)
{
    QsciPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted)
        printEditor(editor, printer);
}

void printTerminal(const TerminalPrintSource &source, Prompt &prompt, QWidget *parent, QPrinter *printer)
{
    QString text = source.selection;
    if (text.isEmpty()) {
        const bool scrollBack = ask(prompt, QStringLiteral("Include Scroll Back Lines?"), QString(),
                                    PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes;
        text = scrollBack ? source.withScrollBack : source.screen;
    }
    if (printer) {
        printText(text, source.font, *printer);
        return;
    }
    QPrinter chosen(QPrinter::HighResolution);
    QPrintDialog dialog(&chosen, parent);
    if (dialog.exec() == QDialog::Accepted)
        printText(text, source.font, chosen);
}

} // namespace korvo
