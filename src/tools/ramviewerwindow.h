#pragma once

// frmRam_Viewer ("RAM Viewer"): reads a block of a Veltor's or Fendra's memory through a terminal's link
// and shows the controller's hex dump, changed characters in red, the register under the mouse pointer as
// the dump's tool tip.

#include "link/commlink.h"
#include "link/enginelease.h"
#include "tools/ramreadengine.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace korvo {

class RamViewerWindow : public QWidget
{
    Q_OBJECT
public:
    explicit RamViewerWindow(QWidget *parent = nullptr);
    ~RamViewerWindow() override;

    // The terminal whose link the reads use; its font is the dump's.
    void setTerminal(CommLink *link);
    // "Read".
    void read();
    bool isBusy() const { return m_lease.isActive(); }
    QString dumpText() const;

Q_SIGNALS:
    void readFinished();
    // The window closes at this place, its frame's corner and its contents' size (for the preferences file).
    void closing(const QRect &geometry);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void chooseBlock(int index);
    void readEnded();
    void showMessage(const QString &text);
    void showDump(const QString &dump);
    void showHint(const QPoint &pos);
    void fitDumpToRows();

    QPointer<CommLink> m_link;
    std::unique_ptr<RamReadEngine> m_engine;
    EngineLease m_lease;
    QComboBox *m_block = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_count = nullptr;
    QButtonGroup *m_sets = nullptr;
    QPushButton *m_read = nullptr;
    QTextEdit *m_dump = nullptr;
    QLabel *m_data = nullptr;
    QString m_previous;
    bool m_addressChanged = true;
};

} // namespace korvo
