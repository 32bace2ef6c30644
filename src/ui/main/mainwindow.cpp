#include "mainwindow.h"

#include "app/appstate.h"

#include <QMdiArea>

namespace korvo {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), m_mdiArea(new QMdiArea(this))
{
    setCentralWidget(m_mdiArea);
    setWindowTitle(QStringLiteral("KorvoTerm"));
    resize(1024, 700);
}

} // namespace korvo
