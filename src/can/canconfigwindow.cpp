#include "can/canconfigwindow.h"
#include "ui/altletters.h"

#include "app/prompt.h"
#include "app/twips.h"
#include "can/bittimingpage.h"
#include "can/framepage.h"
#include "can/maskpage.h"
#include "can/modulesettingspage.h"
#include "link/commlink.h"
#include "link/portnames.h"
#include "ui/windowplace.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

namespace korvo {

namespace {
const char *const kCaptions[] = {"CAN MODULE Configuration", "CAN DONGLE Configuration",
                                 "CAN MONITOR Configuration"};

struct CommandButtonText
{
    const char *name; // kept from the numbered buttons the window once had
    const char *caption;
    const char *tip;
};
// In the order of CanConfigWindow::Button.
const CommandButtonText kCommands[] = {
    {"cmdCANConfig0", "OK", "Applies All Changes to Device and Saves the Settings to the PC"},
    {"cmdCANConfig1", "Cancel", "Cancel any unapplied changes"},
    {"cmdCANConfig2", "Apply", "Applies changes to Device and Saves the Settings to the PC"},
    {"cmdCANConfig3", "CAN Module", "Set to CAN Module Configuration Settings"},
    {"cmdCANConfig4", "DeviceNET", "Set to DeviceNet Configuration Settings"},
    {"cmdCANConfig5", "CAN Module", "Set Module to Initialized Settings"},
    {"cmdCANConfig7", "Save", "Save Current Settings"},
    {"cmdCANConfig8", "Restore", "Restore Saved Settings"},
};
using Button = CanConfigWindow::Button;
constexpr Button kDefaultButtons[] = {Button::CanDefaults, Button::DeviceNetDefaults, Button::ModuleDefaults};

CanConfigOptions optionsFor(CanTarget target, const CommLink &link, const CanWindowSetup &setup)
{
    CanConfigOptions o;
    o.target = target;
    o.canSetup = setup.canSetup;
    o.noReplyCheck = setup.noReplyCheck;
    o.timing = LinkTiming::fromSettings(link.settings());
    o.records = setup.records;
    return o;
}
} // namespace

CanConfigWindow::CanConfigWindow(CanTarget target, CommLink &link, const CanWindowSetup &setup,
                                 Prompt &prompt, QWidget *parent)
    : QWidget(parent, Qt::Window), m_target(target), m_link(link), m_prompt(prompt),
      m_engine(std::make_unique<CanConfigEngine>(optionsFor(target, link, setup)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmCANConfig"));
    setWindowTitle(caption(target));
    const bool module = target == CanTarget::Module;

    auto *layout = new QGridLayout(this);
    auto *tabs = new QHBoxLayout;
    const QString pageTwo = module ? QStringLiteral("Module &Settings") : QStringLiteral("&RS232 Baud Rate");
    const QStringList pageCaptions = {QStringLiteral("&Baud Rate/Bit Timing Calculator"),
                                      QStringLiteral("&Mask Registers"),
                                      pageTwo,
                                      QStringLiteral("Message Frame &1"),
                                      QStringLiteral("Message Frame &2"),
                                      QStringLiteral("Message Frame &3")};
    for (CanPage page : kAllCanPages) {
        auto *tab = new QPushButton(pageCaptions.at(int(page)), this);
        tab->setObjectName(QStringLiteral("cmdCANTab%1").arg(int(page)));
        tab->setCheckable(true);
        tab->setAutoExclusive(true);
        tab->setVisible(page != CanPage::Frame3 || module);
        connect(tab, &QPushButton::clicked, this, [this, page] { showPage(page); });
        m_tabs[std::size_t(page)] = tab;
        tabs->addWidget(tab);
    }
    layout->addLayout(tabs, 0, 0, 1, 2);

    m_bitTiming = new BitTimingPage(this);
    m_masks = new MaskPage(this);
    m_settings = new ModuleSettingsPage(target, setup.canSetup, prompt, this);
    m_frame = new FramePage(this);
    m_stack = new QStackedWidget(this);
    for (QWidget *page : std::initializer_list<QWidget *>{m_bitTiming, m_masks, m_settings, m_frame})
        m_stack->addWidget(page);
    layout->addWidget(m_stack, 1, 0);

    // Every committed value goes into the engine's fields at once; typing marks the page modified.
    CanRecord &fields = m_engine->fields();
    connect(m_bitTiming, &BitTimingPage::edited, this, [this] { pageEdited(CanPage::BitTiming); });
    connect(m_bitTiming, &BitTimingPage::registersChanged, this, [this, &fields] {
        fields.btr0 = int16_t(m_bitTiming->btr0());
        fields.btr1 = int16_t(m_bitTiming->btr1());
    });
    connect(m_masks, &MaskPage::edited, this, [this] { pageEdited(CanPage::Masks); });
    connect(m_masks, &MaskPage::changed, this, [this, &fields] { m_masks->store(fields); });
    connect(m_settings, &ModuleSettingsPage::edited, this, [this, &fields] {
        m_settings->store(fields, m_engine->charDelay());
        pageEdited(CanPage::Settings);
    });
    connect(m_frame, &FramePage::edited, this, [this] { pageEdited(m_engine->currentPage()); });
    connect(m_frame, &FramePage::changed, this, [this, &fields] { m_frame->store(fields); });

    buildButtons();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblCAN_Msg"));
    layout->addWidget(m_status, 2, 0, 1, 2);

    loadFields();
    showPage(CanPage::BitTiming);
    setOnline(false);
    m_status->clear();
    const CanWindowRecord &place = setup.place;
    const auto stored =
        storedCorner(twipsToPixels(place.left, logicalDpiX()), twipsToPixels(place.top, logicalDpiY()));
    placeTopLevel(this, stored.value_or(overClientArea(parentWidget())), sizeHint());
    m_lease = m_link.attach(
        *m_engine, windowTitle(), [this](const std::vector<EngineEvent> &events) { engineStepped(events); },
        CommLink::LeaseKind::Exclusive);
    giveAltLetters(this);
}

QString CanConfigWindow::caption(CanTarget target)
{
    return QString::fromLatin1(kCaptions[int(target)]);
}

CanConfigWindow::~CanConfigWindow()
{
    m_lease.release();
}

QPushButton *CanConfigWindow::addButton(Button button, QWidget *parent)
{
    const CommandButtonText &command = kCommands[std::size_t(button)];
    auto *b = new QPushButton(QString::fromLatin1(command.caption), parent);
    b->setObjectName(QString::fromLatin1(command.name));
    b->setToolTip(QString::fromLatin1(command.tip));
    m_commands[std::size_t(button)] = b;
    return b;
}

void CanConfigWindow::buildButtons()
{
    auto *column = new QVBoxLayout;
    const auto add = [this](QLayout *layout, Button button, QWidget *parent, auto pressed) {
        QPushButton *b = addButton(button, parent);
        connect(b, &QPushButton::clicked, this, pressed);
        layout->addWidget(b);
    };
    add(column, Button::Ok, this, [this] { pressOk(); });
    add(column, Button::Cancel, this, [this] { pressCancel(); });
    add(column, Button::Apply, this, [this] { pressApply(); });
    auto *defaults = new QGroupBox(QStringLiteral("Set Defaults for:"), this);
    auto *defaultsLayout = new QVBoxLayout(defaults);
    add(defaultsLayout, Button::CanDefaults, defaults, [this] { pressDefaults(CanCommand::SetCan); });
    add(defaultsLayout, Button::DeviceNetDefaults, defaults, [this] { pressDefaults(CanCommand::SetDNet); });
    add(defaultsLayout, Button::ModuleDefaults, defaults, [this] { pressDefaults(CanCommand::Init); });
    // A module sets its own defaults; the adapter chooses between the two protocols'.
    const bool module = m_target == CanTarget::Module;
    commandButton(Button::CanDefaults)->setVisible(!module);
    commandButton(Button::DeviceNetDefaults)->setVisible(!module);
    commandButton(Button::ModuleDefaults)->setVisible(module);
    defaults->setVisible(m_target != CanTarget::Monitor);
    auto *settings = new QGroupBox(QStringLiteral("Settings:"), this);
    auto *settingsLayout = new QVBoxLayout(settings);
    add(settingsLayout, Button::Save, settings, [this] { pressSave(); });
    add(settingsLayout, Button::Restore, settings, [this] { pressRestore(); });
    column->addWidget(defaults);
    column->addWidget(settings);
    column->addStretch();
    static_cast<QGridLayout *>(layout())->addLayout(column, 1, 1);
}

void CanConfigWindow::showPage(CanPage page)
{
    m_engine->setCurrentPage(page);
    pageButton(page)->setChecked(true);
    const CanRecord &fields = m_engine->fields();
    switch (page) {
    case CanPage::BitTiming:
        m_bitTiming->load(fields.btr0, fields.btr1);
        m_stack->setCurrentWidget(m_bitTiming);
        break;
    case CanPage::Masks:
        m_masks->load(fields);
        m_stack->setCurrentWidget(m_masks);
        break;
    case CanPage::Settings:
        m_settings->load(fields, m_engine->charDelay(), m_engine->records()[std::size_t(m_target)].baud);
        m_stack->setCurrentWidget(m_settings);
        break;
    case CanPage::Frame1:
    case CanPage::Frame2:
    case CanPage::Frame3:
        m_frame->load(fields, int(frameOfPage(page)), m_target);
        m_stack->setCurrentWidget(m_frame);
        break;
    }
    commandButton(Button::Apply)->setEnabled(m_engine->pageModified(page) && !m_engine->isBusy());
}

void CanConfigWindow::pageEdited(CanPage page)
{
    m_engine->setPageModified(page);
    commandButton(Button::Apply)->setEnabled(!m_engine->isBusy());
}

void CanConfigWindow::loadFields()
{
    showPage(m_engine->currentPage());
}

void CanConfigWindow::setOnline(bool online)
{
    m_status->setText(online ? QStringLiteral("Communicating") : QStringLiteral("No Communications"));
    QPalette p = m_status->palette();
    p.setColor(QPalette::WindowText, online ? QColor(0, 128, 0) : QColor(128, 0, 0));
    m_status->setPalette(p);
    for (Button button : kDefaultButtons)
        commandButton(button)->setEnabled(online);
}

void CanConfigWindow::pressOk()
{
    m_engine->pressOk(m_lease.nowMs());
    afterPress(true);
}

void CanConfigWindow::pressCancel()
{
    m_engine->pressCancel(m_lease.nowMs());
    afterPress(true);
}

void CanConfigWindow::pressApply()
{
    m_engine->pressApply(m_lease.nowMs());
    commandButton(Button::Apply)->setEnabled(false);
    afterPress(false);
}

void CanConfigWindow::pressDefaults(CanCommand defaults)
{
    m_engine->pressDefaults(defaults, m_lease.nowMs());
    afterPress(false);
}

void CanConfigWindow::pressSave()
{
    m_engine->pressSave();
    storeRecords();
    afterPress(false);
}

void CanConfigWindow::pressRestore()
{
    m_engine->pressRestore();
    loadFields();
    afterPress(false);
}

void CanConfigWindow::afterPress(bool closing)
{
    if (m_lease.isActive())
        m_lease.pump();
    else if (closing)
        finishWindow(); // the link is gone: nothing left to send
}

void CanConfigWindow::engineStepped(const std::vector<EngineEvent> &events)
{
    // The CAN events say all the window needs; status lines and the end are read from the engine itself.
    for (const EngineEvent &event : events) {
        const CanEvent *can = event.as<CanEvent>();
        if (!can)
            continue;
        switch (can->kind) {
        case CanEvent::Kind::Online:
            // The terminal follows the rate the adapter answered at, and its record keeps the code.
            if (!m_engine->foundSettings().isEmpty())
                m_link.settings().settings = m_engine->foundSettings();
            storeRecords();
            setOnline(true);
            break;
        case CanEvent::Kind::Offline:
            setOnline(false);
            break;
        case CanEvent::Kind::FieldsLoaded:
            loadFields();
            break;
        case CanEvent::Kind::Idle:
            commandButton(Button::Apply)->setEnabled(m_engine->pageModified(m_engine->currentPage()));
            break;
        case CanEvent::Kind::Notice:
            m_notices.push_back(*can);
            break;
        case CanEvent::Kind::Closed:
            m_finished = true;
            break;
        }
    }
    if (m_engine->hasFailed() && m_failure.isEmpty() && !m_finished) {
        // The device went away: one report of the reason, then the stored record offline.
        m_failure = m_engine->failure();
        m_notices.push_back(
            {CanEvent::Kind::Notice, {m_failure, windowTitle(), PromptIcon::Critical}, false});
    }
    if (m_engine->isFinished())
        m_lease.release();
    // Message boxes wait for the event loop: never inside the link's own call.
    if (!m_notices.empty() || m_finished)
        QTimer::singleShot(0, this, &CanConfigWindow::showNextNotice);
}

void CanConfigWindow::showNextNotice()
{
    if (m_showingNotice)
        return;
    m_showingNotice = true;
    while (!m_notices.empty()) {
        const CanEvent event = std::move(m_notices.front());
        m_notices.pop_front();
        ask(m_prompt, event.notice.text, event.notice.title, event.notice.icon);
        if (event.waits) {
            m_engine->promptAnswered(m_lease.nowMs());
            m_lease.pump();
        }
    }
    m_showingNotice = false;
    if (m_finished)
        finishWindow();
}

void CanConfigWindow::storeRecords()
{
    emit recordsChanged(m_engine->records());
}

void CanConfigWindow::finishWindow()
{
    storeRecords();
    close();
}

void CanConfigWindow::followAdapterRate()
{
    // The terminal follows the rate the adapter was found at or set to, however the window closes (also
    // offline, when the adapter answered but its configuration could not be read).
    CommWindowSettings &terminal = m_link.settings();
    if (m_engine->rate() > 0 && m_engine->rate() != baudOfSettings(terminal.settings))
        terminal.settings = QStringLiteral("%1,N,8,1").arg(m_engine->rate());
}

void CanConfigWindow::closeEvent(QCloseEvent *event)
{
    // Closing otherwise than by OK or Cancel sends nothing; the records changed so far are kept.
    if (!m_finished)
        storeRecords();
    followAdapterRate();
    m_lease.release();
    CanWindowRecord place;
    place.left = pixelsToTwips(x(), logicalDpiX());
    place.top = pixelsToTwips(y(), logicalDpiY());
    place.state = closingApplication() ? int16_t(int(m_target) + 1) : int16_t(0);
    emit placeChanged(place);
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace korvo
