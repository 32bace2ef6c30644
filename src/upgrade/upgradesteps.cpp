#include "upgrade/upgradesteps.h"

namespace korvo {

UpgradeSteps::UpgradeSteps(UpgradeProcedure procedure) : m_procedure(procedure), m_texts(texts(procedure)) {}

QStringList UpgradeSteps::texts(UpgradeProcedure procedure)
{
    if (procedure == UpgradeProcedure::None)
        return QStringList(11, QString());
    QStringList texts{
        QStringLiteral("Welcome to the:\r\n     uKorvo Controller UPGRADER\r\n     Press NEXT to Continue"),
        QStringLiteral("Step 1 - Reminder:\r\n     Press CANCEL Button if need to Save VARS/FLGS/PGMS"),
        QStringLiteral("Step 2:\r\n     Select Upgrade File"),
        QStringLiteral("Step 3 - Reminder:\r\n     Press CANCEL if need to Setup COMM Port"),
        QStringLiteral("Step 4:\r\n     Connect RS-232 Cable to uKorvo Controller"),
        QStringLiteral("Step 5:\r\n     Set Zel Indexer UPGRADE switch to ON"),
        QStringLiteral("Step 6:\r\n     Power Up or Cycle Power to uKorvo Controller"),
        QStringLiteral("Step 7:\r\n     Establishing COMM with uKorvo Controller"),
        QStringLiteral("Step 8:\r\n     Press UPGRADE Button to Start"),
        QStringLiteral("Step 9:\r\n     Press ABORT to Abort Upgrade"),
        QStringLiteral(
            "Step 10:\r\n     Reset uKorvo Controller UPGRADE switch to OFF\r\n     Then Press DONE"),
    };
    if (procedure == UpgradeProcedure::OrvBrel) {
        texts[0] = QStringLiteral(
            "Welcome to the:\r\n     Orv/Brel Controller UPGRADER\r\n     Press NEXT to Continue");
        texts[4] = QStringLiteral("Step 4:\r\n     Connect RS-422 Cable to Orv/Brel Controller");
        texts[5] =
            QStringLiteral("Step 5:\r\n     If Orv/Brel Controller is not in UPGRADE Mode, press Cancel,\r\n"
                           "     then type \"UG 6041873\" in the Terminal window.");
        texts[6] = QStringLiteral("Step 6:\r\n     Power Up or Cycle Power to Veltor Controller");
        texts[7] = QStringLiteral("Step 7:\r\n     Establishing COMM with Orv/Brel Controller");
        texts[10] = QStringLiteral("Step 10:\r\n     Reseting Orv/Brel Controller\r\n     Then Press DONE");
    }
    return texts;
}

void UpgradeSteps::next()
{
    if (m_phase == 1)
        m_phase = 2;
    m_step = std::min(10, m_step + 1);
    // The Orv/Brel procedure has no step 1.
    if (m_procedure == UpgradeProcedure::OrvBrel && m_step == 1)
        m_step = 2;
}

bool UpgradeSteps::previous()
{
    const bool firstAfterNext = m_phase == 2;
    if (firstAfterNext) {
        m_phase = 1;
        // Step 7 is passed again on the way back to step 8.
        if (m_step == 8)
            m_step = 6;
    }
    if (m_step > 0)
        --m_step;
    if (m_procedure == UpgradeProcedure::OrvBrel && m_step == 1)
        m_step = 0;
    return firstAfterNext;
}

} // namespace korvo
