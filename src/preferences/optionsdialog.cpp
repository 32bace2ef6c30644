#include "preferences/optionsdialog.h"
#include "ui/altletters.h"

#include "preferences/commpage.h"
#include "preferences/generalpage.h"
#include "preferences/stylepage.h"
#include "preferences/terminalpage.h"
#include "settings/prefsmap.h"
#include "ui/windowplace.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvo {

namespace {

struct PageCaption
{
    const char *caption;
    const char *tip;
};

constexpr PageCaption kPages[] = {
    {"Text Editor Format", "Editor Format Settings"},
    {"Program Editor Format", "Program Editor Format Settings"},
    {"Terminal Format", "Terminal Format Settings"},
    {"Comm Settings", "Communication Settings and Terminal Options"},
    {"General", "General KorvoTerm Program Settings"},
};

// What a window manager adds around a dialog (title bar and borders), kept free when the dialog is sized
// to the screen before it has a frame of its own.
const QSize kFrameAllowance(16, 40);

// A page in a scroll area that asks for the page's whole size: it scrolls only where the screen is too
// small for the dialog.
class PageScroller : public QScrollArea
{
public:
    explicit PageScroller(QWidget *page)
    {
        setWidget(page);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // Tab goes to the page's controls, not to the frame around them.
        setFocusPolicy(Qt::NoFocus);
    }
    QSize sizeHint() const override
    {
        return widget()->sizeHint() + QSize(verticalScrollBar()->sizeHint().width(), 0);
    }
};

// Every value the pages hand back, in one list: two lists are equal exactly when applying changes nothing.
class Fields
{
public:
    explicit Fields(const OptionsValues &values)
    {
        prefsmap::docStyle(*this, values.text, true);
        prefsmap::docStyle(*this, values.program, true);
        prefsmap::commSlot(*this, values.terminal, 1);
        m_list << values.terminal.fGroupCt << values.terminal.groupNames;
        int16_t count = 0;
        prefsmap::setup(*this, values.general, count, count);
    }
    QVariantList list() const { return m_list; }

    template <class T, class... Default> void int16(const char *, const T &field, const Default &...)
    {
        add(field);
    }
    template <class T, class... Default> void int32(const char *, const T &field, const Default &...)
    {
        add(field);
    }
    template <class T, class... Default> void boolean(const char *, const T &field, const Default &...)
    {
        add(field);
    }
    template <class T, class... Default> void single(const char *, const T &field, const Default &...)
    {
        add(field);
    }
    template <class T, class... Default> void text(const char *, const T &field, const Default &...)
    {
        add(field);
    }
    template <class T, class... Default> void deviceType(const char *, const T &field, const Default &...)
    {
        add(field);
    }
    template <class T> void optionalText(const char *, const T &field) { add(field); }
    template <class T> void optionalHex16(const char *, const T &field) { add(field); }

private:
    void add(const QString &field) { m_list << field; }
    template <class T> void add(const T &field) { m_list << double(field); }

    QVariantList m_list;
};

} // namespace

OptionsDialog::OptionsDialog(const OptionsValues &values, const Context &context, Clock &clock,
                             Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_values(values), m_context(context), m_opened(values)
{
    setWindowTitle(QStringLiteral("Preferences"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tbsOptions"));
    auto *comm = new CommPage(clock, prompt, this);
    comm->setActiveTerminal(context.activeTerminal);
    comm->setDiscoveryTarget(context.discoveryTarget);
    comm->setPorts(context.ports);
    m_pages = {nullptr, new StylePage(false, this),  new StylePage(true, this), new TerminalPage(this),
               comm,    new GeneralOptionsPage(this)};
    for (int page = TextEditorPage; page <= GeneralPage; ++page) {
        m_tabs->addTab(new PageScroller(m_pages[size_t(page)]), QLatin1String(kPages[page - 1].caption));
        m_tabs->setTabToolTip(page - 1, QLatin1String(kPages[page - 1].tip));
        m_pages[size_t(page)]->load(m_values);
        connect(m_pages[size_t(page)], &OptionsPageWidget::changed, this,
                [this, page] { markChanged(page); });
    }

    m_applyTo = new QGroupBox(QStringLiteral("Apply to:"), this);
    auto *applyLayout = new QHBoxLayout(m_applyTo);
    const char *applyCaptions[] = {"Default", "Active", "All Open"};
    for (size_t i = 0; i < m_applyBoxes.size(); ++i) {
        m_applyBoxes[i] = new QCheckBox(QLatin1String(applyCaptions[i]), m_applyTo);
        m_applyBoxes[i]->setObjectName(QStringLiteral("chkApplyTo%1").arg(i));
        m_applyBoxes[i]->setChecked(m_values.applyTo & (1 << i));
        applyLayout->addWidget(m_applyBoxes[i]);
        connect(m_applyBoxes[i], &QCheckBox::toggled, this, [this, i](bool on) {
            m_values.applyTo = on ? (m_values.applyTo | (1 << i)) : (m_values.applyTo & ~(1 << i));
        });
    }
    m_notActive = new QLabel(QStringLiteral("Selected Window Type Not Active."), this);
    m_notActive->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0)"));

    auto *okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_applyButton = new QPushButton(QStringLiteral("Apply"), this);
    m_applyButton->setObjectName(QStringLiteral("cmdApply"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_notActive, 1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    buttons->addWidget(m_applyButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_applyTo);
    layout->addLayout(buttons);

    giveAltLetters(this);
    connect(okButton, &QPushButton::clicked, this, &OptionsDialog::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_applyButton, &QPushButton::clicked, this, &OptionsDialog::apply);
    connect(m_tabs, &QTabWidget::currentChanged, this, &OptionsDialog::pageShown);

    // Wide enough for the five page tabs side by side; on a small screen the pages scroll instead of OK
    // and Cancel leaving the screen.
    QSize size(std::max(sizeHint().width(), 660), sizeHint().height());
    const QRect owner = parent ? parent->window()->frameGeometry() : QRect();
    const QRect screen = availableScreenArea(owner, parent);
    if (!screen.isEmpty())
        size = size.boundedTo(screen.size() - kFrameAllowance);
    // Centred on the main window, which is where the user looks.
    const QPoint centre = owner.isEmpty() ? screen.center() : owner.center();
    placeTopLevel(this, centre - QPoint(size.width(), size.height()) / 2, size);
    setPage(pageForRequest(context.request));
    m_changed.fill(false);
    for (int page = TextEditorPage; page <= GeneralPage; ++page)
        m_unchanged[size_t(page)] = handedBack(page);
    pageShown();
}

int OptionsDialog::currentPage() const
{
    return m_tabs->currentIndex() + 1;
}

void OptionsDialog::setPage(int page)
{
    m_tabs->setCurrentIndex(std::clamp(page, int(TextEditorPage), int(GeneralPage)) - 1);
    pageShown();
}

void OptionsDialog::pageShown()
{
    const int page = currentPage();
    const bool terminalPage = page == TerminalFormatPage || page == CommSettingsPage;
    m_applyTo->setVisible(terminalPage && offersApplyTo(m_context.request));
    const bool editPage = page == TextEditorPage || page == ProgramEditorPage;
    m_notActive->setVisible((editPage && !m_context.editWindowOpen) ||
                            (terminalPage && !m_context.terminalOpen));
    m_applyButton->setEnabled(m_changed[size_t(page)]);
}

QVariantList OptionsDialog::handedBack(int page) const
{
    OptionsValues values = m_opened;
    m_pages[size_t(page)]->store(values);
    return Fields(values).list();
}

void OptionsDialog::markChanged(int page)
{
    // Passing through a box, or editing a value back to what it was, is no change.
    m_changed[size_t(page)] = handedBack(page) != m_unchanged[size_t(page)];
    if (page == currentPage())
        m_applyButton->setEnabled(m_changed[size_t(page)]);
}

void OptionsDialog::applyPage(int page)
{
    m_pages[size_t(page)]->store(m_values);
    // The terminal pages share one settings value: the other keeps what it shows.
    emit applyRequested(page);
    m_changed[size_t(page)] = false;
    m_unchanged[size_t(page)] = handedBack(page);
    if (page == currentPage())
        m_applyButton->setEnabled(false);
}

void OptionsDialog::apply()
{
    applyPage(currentPage());
}

void OptionsDialog::ok()
{
    for (int page = TextEditorPage; page <= GeneralPage; ++page)
        if (m_changed[size_t(page)])
            applyPage(page);
    accept();
}

} // namespace korvo
