#include "can/canconfigengine.h"

#include "can/canconfigparser.h"
#include "can/canpagewrites.h"

#include <utility>

namespace korvo {

namespace {
const QString kModuleBoxTitle = QStringLiteral("MicroKORVO CAN MODULE Configuration");
constexpr int kEnquiryExtra = 10;
constexpr int kFindRates[] = {4800, 9600, 19200, 38400};

std::size_t targetIndex(CanTarget target)
{
    return std::size_t(target);
}

std::vector<CanPage> allPages()
{
    return {std::begin(kAllCanPages), std::end(kAllCanPages)};
}
} // namespace

CanConfigEngine::CanConfigEngine(const CanConfigOptions &options)
    : CanRequestEngine(options.timing, options.noReplyCheck), m_options(options), m_target(options.target),
      m_records(options.records), m_working(options.records[targetIndex(options.target)]), m_fields(m_working)
{
}

// ---- connecting

void CanConfigEngine::start(qint64 nowMs)
{
    setNow(nowMs);
    m_busy = true;
    emitStatus(QStringLiteral("Connecting"));
    connectCan();
}

void CanConfigEngine::connectCan()
{
    connectDongle([this](bool ok) {
        if (!ok)
            return goOffline(QStringLiteral("Could Not Establish Comm. with Dongle!"),
                             QStringLiteral("CAN DONGLE"));
        if (m_target == CanTarget::Module)
            return connectModule();
        readConfig(m_target, [this](bool read) {
            // A monitor that does not report its settings is still talked to: its stored record is shown.
            if (!read && m_target == CanTarget::Dongle)
                return goOffline(QStringLiteral("Could Not Establish Comm. with Dongle!"),
                                 QStringLiteral("CAN DONGLE"));
            if (!read)
                emitStatus(
                    QStringLiteral("The monitor did not report its settings; the stored ones are shown"));
            m_adapterSwitched = true;
            goOnline();
        });
    });
}

void CanConfigEngine::connectModule()
{
    // The adapter's own settings are read and kept, so that closing can put them back.
    m_target = CanTarget::Dongle;
    m_working = m_records[1];
    readConfig(CanTarget::Dongle, [this](bool read) {
        if (!read)
            return moduleFailed();
        m_adapterSaved = true;
        m_records[1] = m_working;
        command(CanTarget::Dongle, CanCommand::SetCan, 0, -1, [this](bool setCan) {
            if (!setCan)
                return moduleFailed();
            command(CanTarget::Dongle, CanCommand::ResetPgm, 0, -1, [this](bool reset) {
                if (!reset)
                    return moduleFailed();
                m_adapterSwitched = true;
                notify(QStringLiteral("Connect MODULE \"Config\" to Ground.\r\nThen click \"OK\"."),
                       kModuleBoxTitle, PromptIcon::None, [this] {
                           m_target = CanTarget::Module;
                           m_working = m_records[0];
                           readConfig(CanTarget::Module, [this](bool module) {
                               if (!module)
                                   return moduleFailed();
                               m_moduleConfig = true;
                               goOnline();
                           });
                       });
            });
        });
    });
}

void CanConfigEngine::moduleFailed()
{
    m_target = CanTarget::Module;
    goOffline(QStringLiteral("Could Not Establish Comm. with Module!"), QStringLiteral("CAN MODULE"));
}

void CanConfigEngine::connectDongle(Done done)
{
    const int stored = baudFromCode(m_records[1].baud);
    if (stored <= 0)
        return findDongleBaud(0, std::move(done));
    setRate(stored);
    enquire(kEnquiryExtra, [this, stored, done](bool answered) {
        if (answered)
            dongleAnswered(stored, done);
        else
            findDongleBaud(0, done);
    });
}

void CanConfigEngine::findDongleBaud(int index, Done done)
{
    if (index == int(std::size(kFindRates))) {
        setRate(m_options.timing.baud); // back to the terminal's own rate
        return done(false);
    }
    const int baud = kFindRates[index];
    emitStatus(QStringLiteral("Looking for the adapter at %1").arg(baud));
    setRate(baud);
    enquire(kEnquiryExtra, [this, index, baud, done](bool answered) {
        if (!answered)
            return findDongleBaud(index + 1, done);
        m_records[1].baud = int16_t(codeFromBaud(baud));
        dongleAnswered(baud, done);
    });
}

void CanConfigEngine::dongleAnswered(int baud, Done done)
{
    m_foundSettings = QStringLiteral("%1,N,8,1").arg(baud);
    command(CanTarget::Dongle, CanCommand::PgmCfg, 0, -1, std::move(done));
}

void CanConfigEngine::readConfig(CanTarget target, Done done)
{
    if (noReplyCheck())
        return done(true);
    if (target == CanTarget::Module) {
        command(CanTarget::Module, CanCommand::Ver, 0, -1, [this, done](bool) {
            command(CanTarget::Module, CanCommand::Recall, 0, -1, [this, done](bool) {
                CanRecord record = m_working;
                int charDelay = m_charDelay;
                const bool ok = parseRecall(requestAndReply(), record, charDelay);
                if (ok) {
                    m_working = record;
                    m_charDelay = charDelay;
                }
                done(ok);
            });
        });
        return;
    }
    readGetCfg(target, 1, std::move(done));
}

void CanConfigEngine::readGetCfg(CanTarget target, int attempt, Done done)
{
    command(target, CanCommand::GetCfg, 0, -1, [this, target, attempt, done](bool) {
        const std::vector<QByteArray> &lines = reply().lines();
        const bool whole = reply().linesFilled() >= kGetCfgLines;
        const int garbled = whole ? garbledGetCfgLine(lines) : -1;
        // Noise on the line loses or garbles a line now and then: the report is asked for once more.
        if ((!whole || garbled >= 0) && attempt < 2)
            return readGetCfg(target, attempt + 1, done);
        if (!whole)
            m_readProblem = QStringLiteral("its settings report came short twice: %1 of %2 lines")
                                .arg(reply().linesFilled())
                                .arg(kGetCfgLines);
        else if (garbled >= 0)
            m_readProblem = QStringLiteral("line %1 of its settings report came garbled twice: \"%2\"")
                                .arg(garbled)
                                .arg(QString::fromLatin1(lines[std::size_t(garbled)].trimmed()));
        CanRecord record = m_working;
        const bool ok = whole && garbled < 0 && parseGetCfg(lines, reply().linesFilled(), record);
        if (ok)
            m_working = record;
        done(ok);
    });
}

void CanConfigEngine::goOnline()
{
    m_online = true;
    m_connected = m_working;
    emitStatus(QStringLiteral("Communicating"));
    canEvent(CanEvent::Kind::Online);
    loadFields();
    if (m_options.script == CanConfigOptions::Script::Interactive)
        return endAction();
    if (m_options.script == CanConfigOptions::Script::Read)
        return closeSequence();
    m_fields = m_options.applyRecord;
    m_charDelay = m_options.applyCharDelay;
    markAllModified(true);
    okSequence();
}

void CanConfigEngine::goOffline(const QString &text, const QString &title)
{
    notify(text, title, PromptIcon::Exclamation);
    showStored();
    if (m_options.script == CanConfigOptions::Script::Interactive)
        return endAction();
    m_scriptFailure = m_readProblem.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, m_readProblem);
    closeSequence();
}

void CanConfigEngine::showStored()
{
    m_online = false;
    m_working = m_records[targetIndex(m_target)];
    m_connected = m_working;
    emitStatus(QStringLiteral("No Communications"));
    canEvent(CanEvent::Kind::Offline);
    loadFields();
}

void CanConfigEngine::linkLost(const QString &reason, qint64 nowMs)
{
    if (isFinished())
        return;
    abandonRequest();
    m_adapterSwitched = m_adapterSaved = m_moduleConfig = false;
    m_afterAnswer = nullptr;
    showStored();
    endAction();
    CanRequestEngine::linkLost(reason, nowMs);
}

// ---- applying

void CanConfigEngine::applyChanges(std::vector<CanPage> pages, Done done)
{
    // The target's record takes the working copy first, before the pages' values are folded into it and
    // written: what is stored is the copy as it stood when the pages were applied (Save stores the rest).
    m_records[targetIndex(m_target)] = m_working;
    applyNextPage(std::move(pages), 0, std::move(done));
}

void CanConfigEngine::applyNextPage(std::vector<CanPage> pages, std::size_t index, Done done)
{
    while (index < pages.size() && !pageModified(pages[index]))
        ++index;
    if (index == pages.size())
        return done(true);
    const CanPage page = pages[index];
    foldCanPage(page, m_fields, m_working);
    m_modified[std::size_t(page)] = false;
    applyPage(page, [this, pages, index, page, done](bool ok) {
        if (!ok)
            return done(false);
        // The adapter talks at its new rate from its acknowledge on.
        const int rate = baudFromCode(m_working.baud);
        if (page == CanPage::Settings && m_target != CanTarget::Module && rate > 0 &&
            (m_online || m_restoringAdapter))
            setRate(rate);
        applyNextPage(pages, index + 1, done);
    });
}

void CanConfigEngine::applyPage(CanPage page, Done done)
{
    if (!m_online && !m_restoringAdapter)
        return done(true); // offline: the pages only go into the stored record
    runWrites(canPageWrites(m_target, page, m_working, m_charDelay, m_options.canSetup), 0, std::move(done));
}

void CanConfigEngine::runWrites(std::vector<CanWrite> writes, std::size_t index, Done done)
{
    if (index == writes.size())
        return done(true);
    const CanWrite write = writes[index];
    command(m_target, write.command, write.value, write.frame, [this, writes, index, done](bool ok) {
        if (!ok) {
            m_writeProblem = QStringLiteral("\"%1\" was not acknowledged").arg(lastRequest());
            return done(false);
        }
        runWrites(writes, index + 1, done);
    });
}

// ---- buttons

bool CanConfigEngine::beginAction(qint64 nowMs)
{
    if (m_busy)
        return false;
    setNow(nowMs);
    m_busy = true;
    return true;
}

void CanConfigEngine::endAction()
{
    m_busy = false;
    canEvent(CanEvent::Kind::Idle);
}

void CanConfigEngine::pressOk(qint64 nowMs)
{
    if (beginAction(nowMs))
        okSequence();
}

void CanConfigEngine::okSequence()
{
    applyChanges(allPages(), [this](bool ok) {
        if (!ok) {
            notify(QStringLiteral("Failed to Apply Setting"), QString(), PromptIcon::None);
            if (m_scriptFailure.isEmpty())
                m_scriptFailure = QStringLiteral("Failed to Apply Setting: %1").arg(m_writeProblem);
            (m_target == CanTarget::Module ? m_moduleConfig : m_adapterSwitched) = false;
        }
        closeSequence();
    });
}

void CanConfigEngine::pressCancel(qint64 nowMs)
{
    if (beginAction(nowMs))
        closeSequence();
}

void CanConfigEngine::closeSequence()
{
    if (!(m_adapterSwitched && m_adapterSaved))
        return resetAdapter([this] { finishClose(); });
    // After a module session the adapter gets its own settings back before it leaves configuration mode.
    m_adapterSaved = false;
    m_target = CanTarget::Dongle;
    markAllModified(true);
    m_working = m_records[1];
    loadFields();
    m_adapterSwitched = false;
    const auto next = [this] { resetAdapter([this] { finishClose(); }); };
    enquire(0, [this, next](bool answered) {
        if (!answered)
            return next();
        command(CanTarget::Dongle, CanCommand::PgmCfg, 0, -1, [this, next](bool programming) {
            if (!programming)
                return next();
            m_restoringAdapter = true;
            applyChanges(allPages(), [this, next](bool ok) {
                m_restoringAdapter = false;
                m_adapterSwitched = ok;
                if (ok)
                    return next();
                // No RESETpgm follows a refusal: the engineer must hear that the adapter is left as it is.
                notify(
                    QStringLiteral("The adapter refused its own settings when they were written back.\r\n"
                                   "It is still in configuration mode: check it in the CAN DONGLE window."),
                    QStringLiteral("CAN DONGLE"), PromptIcon::Exclamation);
                if (m_scriptFailure.isEmpty())
                    m_scriptFailure = QStringLiteral("The adapter refused its own settings when they were "
                                                     "written back (%1); it is still in configuration mode")
                                          .arg(m_writeProblem);
                next();
            });
        });
    });
}

void CanConfigEngine::resetAdapter(Step next)
{
    const auto afterReset = [this, next] {
        if (!m_moduleConfig)
            return next();
        m_moduleConfig = false;
        notify(QStringLiteral("Disconnect MODULE \"Config\" from Ground.\r\nThen click \"OK\"."),
               kModuleBoxTitle, PromptIcon::None, next);
    };
    if (!m_adapterSwitched)
        return afterReset();
    m_target = CanTarget::Dongle;
    command(CanTarget::Dongle, CanCommand::ResetPgm, 0, -1, [this, afterReset](bool) {
        m_adapterSwitched = false;
        afterReset();
    });
}

void CanConfigEngine::finishClose()
{
    m_online = false;
    m_busy = false;
    canEvent(CanEvent::Kind::Closed);
    if (m_scriptFailure.isEmpty())
        finish();
    else
        fail(m_scriptFailure);
}

void CanConfigEngine::pressApply(qint64 nowMs)
{
    if (!beginAction(nowMs))
        return;
    applyChanges({m_page}, [this](bool ok) {
        if (!ok)
            notify(QStringLiteral("Failed to Apply Setting"), QString(), PromptIcon::None);
        endAction();
    });
}

void CanConfigEngine::pressDefaults(CanCommand defaults, qint64 nowMs)
{
    if (!beginAction(nowMs))
        return;
    if (!m_online)
        return endAction();
    command(m_target, defaults, 0, -1, [this](bool acknowledged) {
        if (!acknowledged)
            return endAction();
        readConfig(m_target, [this](bool read) {
            if (read) {
                loadFields();
                markAllModified(false);
            }
            endAction();
        });
    });
}

void CanConfigEngine::pressSave()
{
    m_records[targetIndex(m_target)] = m_working;
}

void CanConfigEngine::pressRestore()
{
    m_working = m_records[targetIndex(m_target)];
    loadFields();
    markAllModified(true);
}

void CanConfigEngine::promptAnswered(qint64 nowMs)
{
    setNow(nowMs);
    if (Step next = std::exchange(m_afterAnswer, nullptr))
        next();
}

// ---- helpers

void CanConfigEngine::loadFields()
{
    m_fields = m_working;
    canEvent(CanEvent::Kind::FieldsLoaded);
}

void CanConfigEngine::markAllModified(bool modified)
{
    for (CanPage page : kAllCanPages)
        m_modified[std::size_t(page)] =
            modified && (page != CanPage::Frame3 || m_target == CanTarget::Module);
}

void CanConfigEngine::notify(const QString &text, const QString &title, PromptIcon icon, Step after)
{
    CanEvent event;
    event.kind = CanEvent::Kind::Notice;
    event.notice = {text, title, icon, PromptButtons::Ok};
    event.waits = bool(after);
    if (after)
        m_afterAnswer = std::move(after);
    emitEvent(std::move(event));
}

void CanConfigEngine::canEvent(CanEvent::Kind kind)
{
    CanEvent event;
    event.kind = kind;
    emitEvent(std::move(event));
}

} // namespace korvo
