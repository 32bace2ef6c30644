#pragma once

// The help window: shows the program's own HTML help pages, which are shipped beside the executable.

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
    // Page of a Help-menu topic (0 "Upgrading Firmware" ... 5 "First Program").
    static QUrl topicUrl(int topic);

    void showPage(const QUrl &url);
    QUrl currentPage() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void storePlacement();

    QTextBrowser *m_browser;
};

} // namespace korvo
