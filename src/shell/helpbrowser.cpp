#include "helpbrowser.h"

#include "app/programfolders.h"
#include "app/twips.h"
#include "shell/toolicons.h"
#include "ui/windowplace.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace korvo {

namespace {
struct TopicPage
{
    Command topic;
    const char *page;
};
const TopicPage kTopicPages[] = {
    {Command::HelpUpgradingFirmware, "upgrading-firmware.html"},
    {Command::HelpBasicMotion, "basic-motion-commands.html"},
    {Command::HelpLanguageStructure, "praxis-language-structure.html"},
    {Command::HelpPraxisCommands, "praxis-commands.html"},
    {Command::HelpErrorCodes, "error-codes.html"},
    {Command::HelpFirstProgram, "first-program.html"},
};

double dpiOf(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}
} // namespace

HelpBrowser::HelpBrowser(const BrowserRecord &placement, const QString &programDir, QWidget *parent)
    : QWidget(parent, Qt::Window), m_placement(placement), m_programDir(programDir),
      m_browser(new QTextBrowser(this))
{
    setWindowTitle(tr("KorvoTerm Help"));
    setWindowIcon(drawnIcon(QStringLiteral("app")));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({helpFolder(m_programDir)});

    auto *bar = new QToolBar(this);
    bar->addAction(QIcon::fromTheme(QStringLiteral("go-previous")), tr("Back"), m_browser,
                   &QTextBrowser::backward);
    bar->addAction(QIcon::fromTheme(QStringLiteral("go-next")), tr("Forward"), m_browser,
                   &QTextBrowser::forward);
    bar->addAction(QIcon::fromTheme(QStringLiteral("go-home")), tr("Contents"), this, [this] {
        showPage(QUrl::fromLocalFile(QDir(helpFolder(m_programDir)).filePath(QStringLiteral("index.html"))));
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(tr("KorvoTerm Help - %1").arg(m_browser->documentTitle())); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_browser);

    // The usual keys close it: Esc as in a dialog, Ctrl+W as in any document window.
    auto *closeKeys = new QAction(tr("Close"), this);
    closeKeys->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(closeKeys, &QAction::triggered, this, &QWidget::close);
    addAction(closeKeys);

    const double dpi = dpiOf(this);
    const auto stored = storedCorner(twipsToPixels(placement.left, dpi), twipsToPixels(placement.top, dpi));
    // The record's own first size is too narrow for a page heading; a window never placed gets room for
    // lines of about 80 characters, and keeps whatever size the user gives it from then on.
    const QSize size = stored
                           ? QSize(twipsToPixels(placement.width, dpi), twipsToPixels(placement.height, dpi))
                           : QSize(fontMetrics().averageCharWidth() * 80, fontMetrics().height() * 36);
    // Never placed yet: beside the right edge of the main window rather than over its menus.
    const QPoint first =
        parent ? QPoint(parent->geometry().right() - size.width() - 24, parent->geometry().top() + 80)
               : overClientArea(nullptr);
    placeTopLevel(this, stored.value_or(first), size);
}

QString HelpBrowser::helpFolder(const QString &programDir)
{
    return QDir(dataFolder(programDir)).filePath(QStringLiteral("help"));
}

QUrl HelpBrowser::topicUrl(const QString &programDir, Command topic)
{
    const char *page = "index.html";
    for (const TopicPage &known : kTopicPages)
        if (known.topic == topic)
            page = known.page;
    return QUrl::fromLocalFile(QDir(helpFolder(programDir)).filePath(QString::fromLatin1(page)));
}

void HelpBrowser::showPage(const QUrl &url)
{
    m_browser->setSource(url);
}

QUrl HelpBrowser::currentPage() const
{
    return m_browser->source();
}

void HelpBrowser::closeEvent(QCloseEvent *event)
{
    storePlacement();
    QWidget::closeEvent(event);
}

void HelpBrowser::storePlacement()
{
    BrowserRecord &placement = m_placement;
    placement.state = isMinimized() ? 1 : (isMaximized() ? 2 : 0);
    // The position of the frame and the size of the contents: what move() and resize() take back.
    if (placement.state == 0)
        storePixelRect(placement, QRect(pos(), size()), dpiOf(this));
    emit placementChanged(placement);
}

} // namespace korvo
