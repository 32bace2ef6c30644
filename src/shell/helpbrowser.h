#pragma once

// The help window: shows the program's own HTML help pages, which are shipped beside the executable. It
// opens where its record says and reports its placement when it closes.

#include "settings/preferences.h"

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
    // Page of a Help-menu topic (0 "Upgrading Firmware" ... 5 "First Program").
    static QUrl topicUrl(const QString &programDir, int topic);

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
