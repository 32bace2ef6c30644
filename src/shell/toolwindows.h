#pragma once

// The tool windows the main window hosts beside its children: the CAN configuration window (one at a
// time, on a terminal's link) and the SPI window, opened from View and reopened at start, closed with the
// application so that their records say they were open.

#include <QObject>
#include <QPointer>

namespace korvo {

class CanConfigWindow;
class CommWindow;
class MainWindow;
class SpiCommWindow;

class ToolWindows : public QObject
{
    Q_OBJECT
public:
    explicit ToolWindows(MainWindow *window);
    ~ToolWindows() override;

    // View, CAN Configuration: 0 module, 1 adapter, 2 monitor; an open window comes to the front.
    void openCan(int index);
    // View, SPI Communications.
    void showSpi();
    SpiCommWindow *spi() const;
    void closeAll(bool closingApplication);

private:
    CommWindow *activeOrFirstTerminal() const;
    void checkCanItems();

    MainWindow *m_window;
    QPointer<SpiCommWindow> m_spi;
    QPointer<CanConfigWindow> m_can;
};

} // namespace korvo
