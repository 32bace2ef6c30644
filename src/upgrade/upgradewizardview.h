#pragma once

// The widgets of the upgrade wizard and how they show things: the message box with its colours, the
// version and identity boxes in the procedure's layout, the progress bar and labels. No flow: the wizard
// decides what to show when.

#include "upgrade/upgradeidentity.h"

#include <QColor>
#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace korvo {

class UpgradeWizardView : public QWidget
{
    Q_OBJECT
public:
    // The message box's colours (24-bit values with red in the low byte: 128 dark red, 255 red, 8388608
    // navy).
    static const QColor kDarkRed;
    static const QColor kRed;
    static const QColor kNavy;

    UpgradeWizardView(UpgradeProcedure procedure, QWidget *parent = nullptr);

    void setMessage(const QString &text, const QColor &colour);
    void appendMessage(const QString &text, const QColor &colour);
    QString message() const;

    // Controllers of 3.0 and up: "Serial Number:" over a wide box, no "Type Number:".
    void usePlusLayout();
    void useNarrowSerialBox();
    void setIdentityEditable(bool editable);
    // Serial number and type number share the identity area's 15 characters (uKorvo).
    void setSerialLimit(int limit);
    // The controller's values, shown whole even when they are longer than the boxes would let one type.
    void setIdentity(const QString &serial, const QString &type);
    QString serialNumber() const;
    QString typeNumber() const;
    void clearIdentity();

    void setProgress(int percent);
    void setProgressText(const QString &text);
    QString progressText() const;
    void setProgressStats(const QString &text);
    QString progressStats() const;
    void appendReplyLog(const QString &line);
    void clearReplyLog();

    QPushButton *next() const { return m_next; }
    QPushButton *previous() const { return m_previous; }
    QPushButton *upgradeCancel() const { return m_upgradeCancel; }
    QLineEdit *controllerVersion() const { return m_controllerVersion; }
    QLineEdit *fileVersion() const { return m_fileVersion; }
    QLineEdit *serialBox() const { return m_serial; }
    QLineEdit *typeBox() const { return m_type; }

private:
    void limitIdentityBoxes();

    UpgradeProcedure m_procedure;
    int m_serialLimit = 10;
    bool m_filling = false;
    QTextEdit *m_message = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_upgradeCancel = nullptr;
    QLineEdit *m_controllerVersion = nullptr;
    QLineEdit *m_fileVersion = nullptr;
    QLabel *m_serialCaption = nullptr;
    QLabel *m_typeCaption = nullptr;
    QLineEdit *m_serial = nullptr;
    QLineEdit *m_type = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressLabel = nullptr;
    QLabel *m_progressStats = nullptr;
    QLabel *m_replyLog = nullptr;
};

} // namespace korvo
