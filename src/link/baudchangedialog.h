#pragma once

// The notice that a baud rate was changed, with "Don't Show Again." for the ShowBaudChange preference: the
// dialog starts from the preference and reports every click on it.

#include <QDialog>

class QCheckBox;
class QLabel;

namespace korvo {

class BaudChangeDialog : public QDialog
{
    Q_OBJECT
public:
    explicit BaudChangeDialog(bool showBaudChange, QWidget *parent = nullptr);

    // The notice's text; the default tells about the rate used during an upgrade.
    void setMessage(const QString &text);
    QString message() const;

signals:
    void showBaudChangeChanged(bool show);

private:
    QLabel *m_label = nullptr;
    QCheckBox *m_noShowAgain = nullptr;
};

} // namespace korvo
