#pragma once

// "KorvoTerm Upgrader": the firmware-upgrade wizard. It takes the terminal's line for itself (an exclusive
// lease), walks the user through the steps, and wires its buttons and boxes to the upgrade engine; the
// steps, checks and transfer are the core's. Closing gives the line back with the settings the engine left.

#include "link/commlink.h"
#include "link/enginelease.h"
#include "upgrade/upgradeengine.h"
#include "upgrade/upgradesteps.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class QPushButton;

namespace korvo {

class CommLink;
class Prompt;
class UpgradeWizardView;

class UpgradeWizard : public QDialog
{
    Q_OBJECT
public:
    // Returns the chosen upgrade file, or nothing when the user cancelled.
    using FileChooser = std::function<std::optional<QString>()>;

    UpgradeWizard(CommLink &link, bool factory, FileChooser chooseFile, Prompt &prompt,
                  QWidget *parent = nullptr);
    ~UpgradeWizard() override;

    // The wizard changed the line's rate: the main window tells the user.
    bool baudChanged() const { return m_baudChanged; }
    int step() const { return m_steps.step(); }
    const UpgradeEngine *engine() const { return m_engine.get(); }
    UpgradeWizardView *view() const { return m_view; }

    void reject() override;

private:
    // False when another job holds the link (the user has been told).
    bool attachEngine();
    void navigate(bool next);
    void enterStep(QPushButton *pressed);
    void upgradeOrCancel();
    void chooseFile();
    void establish();
    void startUpgrade();
    void startClosing();
    void finishClosing();

    void onEvents(const std::vector<EngineEvent> &events);
    void onStatus(const QString &text);
    void onEngineFailed();
    void checksDone();
    void transferEnded(bool failed);
    void showProgress(qint64 done, qint64 total);

    void showStepText(const QColor &colour);
    void setBusy(bool busy);
    void setIdentityEditable(bool editable);
    void showPreflight();

    CommLink &m_link;
    Prompt &m_prompt;
    bool m_factory;
    FileChooser m_chooseFile;
    UpgradeProcedure m_procedure;
    UpgradeSteps m_steps;
    std::unique_ptr<UpgradeEngine> m_engine;
    EngineLease m_lease;
    std::optional<UpgradeScan> m_scan;
    UpgradePlan m_plan;
    bool m_closing = false;
    bool m_closed = false;
    bool m_busy = false;
    bool m_baudChanged = false;
    qint64 m_transferStartMs = 0;

    UpgradeWizardView *m_view = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_upgradeCancel = nullptr;
};

} // namespace korvo
