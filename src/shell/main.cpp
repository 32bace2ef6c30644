// KorvoTerm: communications, programming and firmware-upgrade utility for stepper-motor controllers.

#include "app/startup.h"
#include "shell/mainwindow.h"
#include "shell/messageboxprompt.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KorvoTerm"));
    QApplication::setOrganizationName(QStringLiteral("KorvoTerm"));

    // Qt has already taken its own arguments (-platform, -style) out of the list.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const korvo::ProgramOptions options = korvo::programOptions(
        arguments, QDir::toNativeSeparators(QDir::currentPath()), QApplication::applicationDirPath());

    korvo::MessageBoxPrompt prompt;
    korvo::MainWindow window(options, prompt);
    if (!window.start())
        return 0;
    return QApplication::exec();
}
