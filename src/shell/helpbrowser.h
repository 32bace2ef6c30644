#pragma once

// The help window: shows the program's own HTML help pages, which are shipped beside the executable. It
// opens where its record says (the first time beside the main window, wide enough to read), closes by Esc
// and Ctrl+W, and reports its placement when it closes.

#include "settings/preferences.h"

#include "ui/command.h"

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace korvo {

class HelpBrowser : public QWidget
{
    Q_OBJECT
public:
    HelpBrowser(const BrowserRecord &placement, const QString &programDir, QWidget *parent = nullptr);

    // Folder of the help pages: "help" beside the program.
    static QString helpFolder(const QString &programDir);
    // The Help menu's topics, in menu order.
    static constexpr Command kTopics[] = {Command::HelpUpgradingFirmware, Command::HelpBasicMotion,
                                          Command::HelpLanguageStructure, Command::HelpPraxisCommands,
                                          Command::HelpErrorCodes,        Command::HelpFirstProgram};
    // Page of a Help-menu topic; the index page for any other command.
    static QUrl topicUrl(const QString &programDir, Command topic);

    void showPage(const QUrl &url);
    QUrl currentPage() const;

signals:
    void placementChanged(const BrowserRecord &placement);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void storePlacement();

    BrowserRecord m_placement;
    QString m_programDir;
    QTextBrowser *m_browser;
};

} // namespace korvo
