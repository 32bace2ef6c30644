#pragma once

// frmCANConfig: the CAN configuration window for a module, adapter or monitor. It attaches the exchange
// engine to a terminal's link, shows the six pages over the engine's fields, hands the buttons to the
// engine and shows its notices through the prompt interface. The records it changes go back to the
// application state when the exchange ends.

#include "can/canconfigengine.h"
#include "link/commlink.h"
#include "link/enginelease.h"

#include <QWidget>
#include <array>
#include <deque>
#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace korvo {

class BitTimingPage;
class FramePage;
class MaskPage;
class ModuleSettingsPage;

class CanConfigWindow : public QWidget
{
    Q_OBJECT
public:
    // The command buttons down the right-hand side.
    enum class Button { Ok, Cancel, Apply, CanDefaults, DeviceNetDefaults, ModuleDefaults, Save, Restore };

    // Opens for target on link (the terminal's), with the switches and stored records of the application
    // state, and starts connecting at once.
    CanConfigWindow(CanTarget target, CommLink &link, QWidget *parent = nullptr);
    ~CanConfigWindow() override;

    CanTarget target() const { return m_target; }
    CanConfigEngine &engine() const { return *m_engine; }
    QPushButton *commandButton(Button button) const { return m_commands[std::size_t(button)]; }
    QPushButton *pageButton(CanPage page) const { return m_tabs[std::size_t(page)]; }
    QLabel *statusLabel() const { return m_status; }
    BitTimingPage *bitTimingPage() const { return m_bitTiming; }
    MaskPage *maskPage() const { return m_masks; }
    FramePage *framePage() const { return m_frame; }
    ModuleSettingsPage *settingsPage() const { return m_settings; }

    void showPage(CanPage page);

Q_SIGNALS:
    // The window is gone (OK, Cancel or closed): the main window unchecks its menu item.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildButtons();
    void engineStepped();
    void showNextNotice();
    void loadFields();
    void setOnline(bool online);
    void pageEdited(CanPage page);
    QPushButton *addButton(Button button, QWidget *parent);
    void pressOk();
    void pressCancel();
    void pressApply();
    void pressDefaults(CanCommand defaults);
    void pressSave();
    void pressRestore();
    // Lets the engine send what a button started; OK and Cancel on a lost link close the window at once.
    void afterPress(bool closing);
    void storeRecords();
    void finishWindow();

    CanTarget m_target;
    CommLink &m_link;
    std::unique_ptr<CanConfigEngine> m_engine;
    EngineLease m_lease;
    std::array<QPushButton *, kCanPages> m_tabs{};
    std::array<QPushButton *, 8> m_commands{};
    QStackedWidget *m_stack = nullptr;
    BitTimingPage *m_bitTiming = nullptr;
    MaskPage *m_masks = nullptr;
    ModuleSettingsPage *m_settings = nullptr;
    FramePage *m_frame = nullptr;
    QLabel *m_status = nullptr;
    std::deque<CanEvent> m_notices;
    bool m_showingNotice = false;
    bool m_finished = false;
    QString m_failure;
};

} // namespace korvo
