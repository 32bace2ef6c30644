#pragma once

// The CAN configuration exchange with a module (behind the adapter), the adapter itself or a monitor, as
// one engine on the terminal's link: it finds the adapter (at its stored rate, else 4800, 9600, 19200,
// 38400), puts it or the module into configuration mode and reads the settings, applies changed pages,
// loads defaults, and on OK or Cancel ends configuration mode (restoring the adapter's own settings after
// a module session). The window's six pages edit fields(); the engine holds the working copy and the three
// stored records, and says what to show through its events.
//
// Prompts are events: a notice is a CanEvent for the owner to show as a message box; one that waits (the
// module's "Config" input boxes) holds the exchange until promptAnswered(). korvo-cli drives the same
// engine with a script instead of buttons.

#include "app/prompt.h"
#include "can/canpagewrites.h"
#include "can/canrequestengine.h"
#include "settings/preferences.h"

#include <array>
#include <vector>

namespace korvo {

struct CanConfigOptions
{
    enum class Script {
        Interactive, // the window: waits for the engineer's buttons
        Read,        // read the settings, end configuration mode, finish (failed when no answer)
        ApplyAll,    // read, apply `fields` to every page as with OK, finish (failed when a page fails)
    };
    CanTarget target = CanTarget::Dongle;
    bool canSetup = false;            // -c: the module's character delay is sent
    bool noReplyCheck = false;        // -d: replies are not required
    LinkTiming timing;                // the terminal's link as it is now
    std::array<CanRecord, 3> records; // module, adapter, monitor as stored
    Script script = Script::Interactive;
    CanRecord applyRecord; // ApplyAll: the settings written to every page
    int applyCharDelay = 3;
};

class CanConfigEngine : public CanRequestEngine
{
public:
    explicit CanConfigEngine(const CanConfigOptions &options);

    void start(qint64 nowMs) override;
    // The port or socket went away: the stored record is shown and the engine ends (its failure is the
    // one report of the reason).
    void linkLost(const QString &reason, qint64 nowMs) override;

    // Buttons. Each is ignored while another action runs (isBusy).
    void pressOk(qint64 nowMs);
    void pressCancel(qint64 nowMs);
    void pressApply(qint64 nowMs);                        // the current page
    void pressDefaults(CanCommand command, qint64 nowMs); // SetCan, SetDNet, Init
    void pressSave();
    void pressRestore();
    // The engineer answered the waiting notice.
    void promptAnswered(qint64 nowMs);

    bool isBusy() const { return m_busy; }
    CanTarget target() const { return m_target; }

    // What the pages show and edit; folded into the working copy when a page is applied.
    CanRecord &fields() { return m_fields; }
    int &charDelay() { return m_charDelay; }
    CanPage currentPage() const { return m_page; }
    void setCurrentPage(CanPage page) { m_page = page; }
    void setPageModified(CanPage page) { m_modified[std::size_t(page)] = true; }
    bool pageModified(CanPage page) const { return m_modified[std::size_t(page)]; }

    // The target's settings as the connection found them (read, or stored when offline); closing after a
    // module session shows the adapter's own settings, this keeps the module's.
    const CanRecord &connectedSettings() const { return m_connected; }
    // Module, adapter, monitor records as they stand (the owner stores the first two).
    const std::array<CanRecord, 3> &records() const { return m_records; }
    // The rate the adapter answered at, as the terminal's settings text (empty while unchanged).
    const QString &foundSettings() const { return m_foundSettings; }

private:
    using Step = std::function<void()>;
    void connectCan();
    void connectModule();
    void connectDongle(Done done);
    void findDongleBaud(int index, Done done);
    void dongleAnswered(int baud, Done done);
    void readConfig(CanTarget target, Done done);
    void readGetCfg(CanTarget target, int attempt, Done done);
    void applyChanges(std::vector<CanPage> pages, Done done);
    void applyNextPage(std::vector<CanPage> pages, std::size_t index, Done done);
    void applyPage(CanPage page, Done done);
    void runWrites(std::vector<CanWrite> writes, std::size_t index, Done done);
    void closeSequence();
    void resetAdapter(Step next);
    void finishClose();

    void okSequence();
    void goOnline();
    void goOffline(const QString &text, const QString &title);
    void moduleFailed();
    void showStored();
    void loadFields();
    void markAllModified(bool modified);
    void notify(const QString &text, const QString &title, PromptIcon icon, Step after = {});
    void canEvent(CanEvent::Kind kind);
    bool beginAction(qint64 nowMs);
    void endAction();
    void scriptOnline();

    CanConfigOptions m_options;
    CanTarget m_target;
    std::array<CanRecord, 3> m_records;
    CanRecord m_working;
    CanRecord m_fields;
    CanRecord m_connected;
    int m_charDelay = 3;
    CanPage m_page = CanPage::BitTiming;
    std::array<bool, kCanPages> m_modified{};
    bool m_online = false;
    bool m_busy = false;
    bool m_adapterSwitched = false;
    bool m_moduleConfig = false;
    bool m_adapterSaved = false;
    bool m_restoringAdapter = false;
    QString m_scriptFailure;
    QString m_readProblem;  // what was wrong with a report that could not be read, for the script's failure
    QString m_writeProblem; // the write that failed, likewise
    QString m_foundSettings;
    Step m_afterAnswer;
};

} // namespace korvo
