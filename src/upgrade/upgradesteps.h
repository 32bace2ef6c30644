#pragma once

// The wizard's eleven steps (0-10) and how Next and Previous move between them for each procedure, with the
// step texts. Plain state: the window shows what it says.

#include "upgrade/upgradeidentity.h"

#include <QString>
#include <QStringList>

namespace korvo {

class UpgradeSteps
{
public:
    explicit UpgradeSteps(UpgradeProcedure procedure);

    int step() const { return m_step; }
    // 2 after loading and after Next, 1 after Previous.
    int phase() const { return m_phase; }
    QString text() const { return m_texts.value(m_step); }
    static QStringList texts(UpgradeProcedure procedure);

    void next();
    // Returns true when this Previous is the first after a Next (the identity boxes are then cleared).
    bool previous();
    // A refused file at step 7 goes back four steps, so that Previous leads to the file selection.
    void backToFileSelection() { m_step = std::max(0, m_step - 4); }
    // The transfer's normal ending.
    void advance() { m_step = std::min(10, m_step + 1); }

private:
    UpgradeProcedure m_procedure;
    QStringList m_texts;
    int m_step = 0;
    int m_phase = 2;
};

} // namespace korvo
