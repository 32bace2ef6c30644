#pragma once

// mdiKorvo_Term: the single top-level window that hosts the terminal and edit windows.

#include <QMainWindow>

class QMdiArea;

namespace korvo {

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

private:
    QMdiArea *m_mdiArea;
};

} // namespace korvo
