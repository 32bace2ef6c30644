#pragma once

// Print_File: printing an edit window's document and a terminal's text.

#include <QFont>
#include <QString>

class QPrinter;
class QWidget;
class QsciPrinter;
class QsciScintilla;

namespace korvo {

class Prompt;

// The editor prints its own document, in its colours, on printer; false when nothing could be printed.
bool printEditor(QsciScintilla *editor, QsciPrinter &printer);
// Prints plain text line by line in font, starting a new page when one is full.
bool printText(const QString &text, const QFont &font, QPrinter &printer);

// Print dialog, then printEditor.
void printEditWindow(QsciScintilla *editor, QWidget *parent);

// What a terminal window can print.
struct TerminalPrintSource
{
    QString screen;         // the visible screen
    QString withScrollBack; // scroll-back lines followed by the screen
    QString selection;      // empty when nothing is selected
    QFont font;             // the terminal's font name, size, bold and italic
};

// The terminal's print command: the selection when there is one, otherwise asks "Include Scroll Back
// Lines?" through prompt and prints the whole text or only the screen. Uses printer when given, else the
// print dialog.
void printTerminal(const TerminalPrintSource &source, Prompt &prompt, QWidget *parent,
                   QPrinter *printer = nullptr);

} // namespace korvo
