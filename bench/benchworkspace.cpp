#include "benchworkspace.h"

#include "settings/prefsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

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

} // namespace korvo::bench
