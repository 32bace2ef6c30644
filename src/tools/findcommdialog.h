#pragma once

// frmFindCommSetting ("Find Comm. Settings"): drives the baud finder on the terminal's line (which it
// takes over for as long as it is open) and shows its coloured log; "Accept" gives the terminal the rate
// found and reconnects it, "Done" leaves the terminal disconnected.

#include "link/enginelease.h"
#include "tools/commsearchengine.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTextEdit;

namespace korvo {

class CommLink;
class Prompt;

class FindCommDialog : public QDialog
{
    Q_OBJECT
public:
    // The opener has made sure no other job holds link.
    FindCommDialog(CommLink &link, Prompt &prompt, QWidget *parent = nullptr);
    ~FindCommDialog() override;

    // The rate "Accept" stored, 0 when the dialog closed otherwise.
    int acceptedRate() const { return m_acceptedRate; }

protected:
    void done(int result) override;

private:
    void buildUi();
    void onEvents(const std::vector<EngineEvent> &events);
    void appendLog(const QString &text, int colour);
    void find();
    void accept() override;
    void searchEnded();

    CommLink &m_link;
    Prompt &m_prompt;
    std::unique_ptr<CommSearchEngine> m_engine;
    EngineLease m_lease;
    QTextEdit *m_log = nullptr;
    QComboBox *m_delay = nullptr;
    QPushButton *m_find = nullptr;
    QPushButton *m_accept = nullptr;
    QPushButton *m_done = nullptr;
    QLabel *m_progress = nullptr;
    QList<int> m_piecePositions;
    int m_acceptedRate = 0;
    bool m_searching = false;
};

} // namespace korvo
