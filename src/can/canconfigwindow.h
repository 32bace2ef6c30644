#pragma once

// frmCANConfig: the CAN configuration window for a module, adapter or monitor. It attaches the exchange
// engine to a terminal's link, shows the six pages over the engine's fields, hands the buttons to the
// engine and shows its notices through the prompt interface. It starts from the records and placement it
// is given and reports them when the exchange ends and when it closes.

#include "can/canconfigengine.h"
#include "link/commlink.h"
#include "link/enginelease.h"
#include "ui/childwindow.h"

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
class Prompt;

// What the owner hands the window.
struct CanWindowSetup
{
    std::array<CanRecord, 3> records; // module, adapter, monitor
    CanWindowRecord place;
    bool canSetup = false;     // "-c"
    bool noReplyCheck = false; // "-d"
};

class CanConfigWindow : public QWidget, public ExitNotice
{
    Q_OBJECT
public:
    // The command buttons down the right-hand side.
    enum class Button { Ok, Cancel, Apply, CanDefaults, DeviceNetDefaults, ModuleDefaults, Save, Restore };

    // The window's caption for target ("CAN MODULE Configuration").
    static QString caption(CanTarget target);
    // Opens for target on link (the terminal's) and starts connecting at once; the opener has made sure no
    // other job holds the link.
    CanConfigWindow(CanTarget target, CommLink &link, const CanWindowSetup &setup, Prompt &prompt,
                    QWidget *parent = nullptr);
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
    void recordsChanged(const std::array<CanRecord, 3> &records);
    // Where the window was and, when it closed with the program, which target reopens.
    void placeChanged(const CanWindowRecord &place);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildButtons();
    void engineStepped(const std::vector<EngineEvent> &events);
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
    void followAdapterRate();
    void finishWindow();

    CanTarget m_target;
    CommLink &m_link;
    Prompt &m_prompt;
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
