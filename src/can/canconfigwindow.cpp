#include "can/canconfigwindow.h"

#include "app/prompt.h"
#include "app/twips.h"
#include "can/bittimingpage.h"
#include "can/framepage.h"
#include "can/maskpage.h"
#include "can/modulesettingspage.h"
#include "link/commlink.h"
#include "link/portnames.h"

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

struct Command
{
    const char *caption;
    const char *tip;
};
const Command kCommands[] = {
    {"OK", "Applies All Changes to Device and Saves the Settings to the PC"},
    {"Cancel", "Cancel any unapplied changes"},
    {"Apply", "Applies changes to Device and Saves the Settings to the PC"},
    {"CAN Module", "Set to CAN Module Configuration Settings"},
    {"DeviceNET", "Set to DeviceNet Configuration Settings"},
    {"CAN Module", "Set Module to Initialized Settings"},
    {"", ""},
    {"Save", "Save Current Settings"},
    {"Restore", "Restore Saved Settings"},
};

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
    setWindowTitle(QString::fromLatin1(kCaptions[int(target)]));
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
    for (int page = 0; page < CanConfigEngine::kPages; ++page) {
        auto *tab = new QPushButton(pageCaptions.at(page), this);
        tab->setObjectName(QStringLiteral("cmdCANTab%1").arg(page));
        tab->setCheckable(true);
        tab->setAutoExclusive(true);
        tab->setVisible(page < 5 || module);
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
    connect(m_bitTiming, &BitTimingPage::edited, this, [this] { pageEdited(0); });
    connect(m_bitTiming, &BitTimingPage::registersChanged, this, [this, &fields] {
        fields.btr0 = int16_t(m_bitTiming->btr0());
        fields.btr1 = int16_t(m_bitTiming->btr1());
    });
    connect(m_masks, &MaskPage::edited, this, [this] { pageEdited(1); });
    connect(m_masks, &MaskPage::changed, this, [this, &fields] { m_masks->store(fields); });
    connect(m_settings, &ModuleSettingsPage::edited, this, [this, &fields] {
        m_settings->store(fields, m_engine->charDelay());
        pageEdited(2);
    });
    connect(m_frame, &FramePage::edited, this, [this] { pageEdited(m_engine->currentPage()); });
    connect(m_frame, &FramePage::changed, this, [this, &fields] { m_frame->store(fields); });

    buildButtons();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblCAN_Msg"));
    layout->addWidget(m_status, 2, 0, 1, 2);

    const CanWindowRecord &place = setup.place;
    move(twipsToPixels(place.left, logicalDpiX()), twipsToPixels(place.top, logicalDpiY()));
    loadFields();
    showPage(0);
    setOnline(false);
    m_status->clear();
    m_lease = m_link.attach(
        *m_engine, [this](const std::vector<EngineEvent> &) { engineStepped(); },
        CommLink::LeaseKind::Exclusive);
}

CanConfigWindow::~CanConfigWindow()
{
    m_lease.release();
}

void CanConfigWindow::buildButtons()
{
    auto *column = new QVBoxLayout;
    const auto button = [this](int index, QWidget *parent) {
        auto *b = new QPushButton(QString::fromLatin1(kCommands[index].caption), parent);
        b->setObjectName(QStringLiteral("cmdCANConfig%1").arg(index));
        b->setToolTip(QString::fromLatin1(kCommands[index].tip));
        connect(b, &QPushButton::clicked, this, [this, index] { press(index); });
        m_commands[std::size_t(index)] = b;
        return b;
    };
    for (int index : {0, 1, 2})
        column->addWidget(button(index, this));
    auto *defaults = new QGroupBox(QStringLiteral("Set Defaults for:"), this);
    auto *defaultsLayout = new QVBoxLayout(defaults);
    for (int index : {3, 4, 5}) {
        defaultsLayout->addWidget(button(index, defaults));
        m_commands[std::size_t(index)]->setVisible(m_target == CanTarget::Module ? index == 5 : index != 5);
    }
    defaults->setVisible(m_target != CanTarget::Monitor);
    auto *settings = new QGroupBox(QStringLiteral("Settings:"), this);
    auto *settingsLayout = new QVBoxLayout(settings);
    for (int index : {7, 8})
        settingsLayout->addWidget(button(index, settings));
    column->addWidget(defaults);
    column->addWidget(settings);
    column->addStretch();
    static_cast<QGridLayout *>(layout())->addLayout(column, 1, 1);
}

void CanConfigWindow::showPage(int page)
{
    m_engine->setCurrentPage(page);
    m_tabs[std::size_t(page)]->setChecked(true);
    const CanRecord &fields = m_engine->fields();
    if (page == 0) {
        m_bitTiming->load(fields.btr0, fields.btr1);
        m_stack->setCurrentWidget(m_bitTiming);
    } else if (page == 1) {
        m_masks->load(fields);
        m_stack->setCurrentWidget(m_masks);
    } else if (page == 2) {
        m_settings->load(fields, m_engine->charDelay(), m_engine->records()[std::size_t(m_target)].baud);
        m_stack->setCurrentWidget(m_settings);
    } else {
        m_frame->load(fields, page - 3, m_target);
        m_stack->setCurrentWidget(m_frame);
    }
    m_commands[2]->setEnabled(m_engine->pageModified(page) && !m_engine->isBusy());
}

void CanConfigWindow::pageEdited(int page)
{
    m_engine->setPageModified(page);
    m_commands[2]->setEnabled(!m_engine->isBusy());
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
    for (int index : {3, 4, 5})
        m_commands[std::size_t(index)]->setEnabled(online);
}

void CanConfigWindow::press(int index)
{
    const qint64 now = m_lease.nowMs();
    switch (index) {
    case 0:
        m_engine->pressOk(now);
        break;
    case 1:
        m_engine->pressCancel(now);
        break;
    case 2:
        m_engine->pressApply(now);
        m_commands[2]->setEnabled(false);
        break;
    case 3:
        m_engine->pressDefaults(CanCommand::SetCan, now);
        break;
    case 4:
        m_engine->pressDefaults(CanCommand::SetDNet, now);
        break;
    case 5:
        m_engine->pressDefaults(CanCommand::Init, now);
        break;
    case 7:
        m_engine->pressSave();
        storeRecords();
        break;
    case 8:
        m_engine->pressRestore();
        loadFields();
        break;
    default:
        break;
    }
    if (m_lease.isActive())
        m_lease.pump();
    else if (index <= 1)
        finishWindow(); // the link is gone: nothing left to send
}

void CanConfigWindow::engineStepped()
{
    // The CAN events say all the window needs; the engine events only bring the call.
    for (CanEvent &event : m_engine->takeCanEvents()) {
        switch (event.kind) {
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
            m_commands[2]->setEnabled(m_engine->pageModified(m_engine->currentPage()));
            break;
        case CanEvent::Kind::Notice:
            m_notices.push_back(std::move(event));
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
    // The terminal follows the rate the adapter was found at or set to.
    CommWindowSettings &terminal = m_link.settings();
    if (m_engine->rate() > 0 && m_engine->rate() != baudOfSettings(terminal.settings))
        terminal.settings = QStringLiteral("%1,N,8,1").arg(m_engine->rate());
    m_lease.release();
    close();
}

void CanConfigWindow::closeEvent(QCloseEvent *event)
{
    // Closing otherwise than by OK or Cancel sends nothing; the records changed so far are kept.
    if (!m_finished)
        storeRecords();
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
