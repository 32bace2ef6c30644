#pragma once

// The help window: shows the program's own HTML help pages, which are shipped beside the executable.

#include "ui/command.h"

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace korvo {

class HelpBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget *parent = nullptr);

    // Folder of the help pages: "help" beside the program.
    static QString helpFolder();
    // The Help menu's topics, in menu order.
    static constexpr Command kTopics[] = {Command::HelpUpgradingFirmware, Command::HelpBasicMotion,
                                          Command::HelpLanguageStructure, Command::HelpPraxisCommands,
                                          Command::HelpErrorCodes,        Command::HelpFirstProgram};
    // Page of a Help-menu topic; the index page for any other command.
    static QUrl topicUrl(Command topic);

    void showPage(const QUrl &url);
    QUrl currentPage() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void storePlacement();

    QTextBrowser *m_browser;
};

} // namespace korvo
