#include "benchworkspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

namespace korvo::bench {

AppState freshState(const QString &folder)
{
    AppState state;
    state.version = QStringLiteral("1.000.000");
    state.startDir = folder;
    state.programDir = QCoreApplication::applicationDirPath();
    state.prefFile = QDir(folder).filePath(QStringLiteral("korvoterm.ktm"));
    return state;
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
