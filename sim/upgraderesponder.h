#pragma once

// A simulated controller's upgrade mode, for both procedures: a uKorvo started with its upgrade switch on, or
// a Veltor or Fendra that was sent "UG 6041873". In upgrade mode the controller runs at 19200, echoes
// nothing, answers ":ZELInc" and the identity queries from its options, erases on "::e" and writes every
// data record into a 128 KB image (two 64 KB banks), acknowledging each record with ACK or NAK (a record
// whose checksum is wrong is always NAKed). It leaves upgrade mode only when a complete image was written:
// a uKorvo on "::r" once its switch is off (never in the simulator: the switch stays on), a Veltor or Fendra
// on character 3 after the end record when the image holds its version record. So after a failed or
// aborted transfer a second run finds it still in upgrade mode.

#include <QByteArray>
#include <QString>

class QCommandLineParser;

namespace korvo {

class ControllerSim;

struct UpgradeSimOptions
{
    bool upgradeSwitch = false;
    QString version = QStringLiteral("2.5"); // uKorvo: a number; Veltor, Fendra: "major.minor"
    QString core = QStringLiteral("1.0");
    QString serial = QStringLiteral("SIM0001");
    QString type = QStringLiteral("T1");
    QString product = QStringLiteral("Simulated Controller");
    bool erased = false;
    int nakRecord = 0;         // NAK this record (1-based, counted since ":ZELInc") once
    bool nakErase = false;     // NAK "::e"
    int silentAfterRecord = 0; // power lost after acknowledging this record (until the next character 3)
    QString imageOut;          // written on the end record, on reset and at exit
};

// korvo-sim's options for the upgrade modes, and their values after parsing.
void addUpgradeSimOptions(QCommandLineParser &parser);
UpgradeSimOptions upgradeSimOptions(const QCommandLineParser &parser);

class UpgradeResponder
{
public:
    static constexpr int kImageBytes = 0x20000;
    static constexpr char kAck = 6;
    static constexpr char kNak = 21;

    UpgradeResponder(ControllerSim &controller, UpgradeSimOptions options);
    ~UpgradeResponder();
    UpgradeResponder(const UpgradeResponder &) = delete;
    UpgradeResponder &operator=(const UpgradeResponder &) = delete;

    bool inUpgradeMode() const { return m_upgradeMode; }
    const QByteArray &image() const { return m_image; }
    // Records acknowledged since ":ZELInc".
    int recordsTaken() const { return m_records; }
    // Writes the image file (if one was asked for); false with the reason in *error.
    bool writeImage(QString *error = nullptr) const;

private:
    bool byte(char c);
    bool typedLine(const QByteArray &line);
    void enterUpgradeMode();
    void leaveUpgradeMode();
    void powerCycled();
    void command(const QByteArray &line);
    void record(const QByteArray &line);
    void answer(const char *tag, const QByteArray &value);
    QByteArray versionBytes() const;
    QByteArray coreValue() const;

    ControllerSim &m_controller;
    UpgradeSimOptions m_options;
    bool m_upgradeMode = false;
    bool m_powerLost = false;
    bool m_silenceUsed = false;
    bool m_nakUsed = false;
    bool m_ended = false;          // the end record was the last thing received
    bool m_versionWritten = false; // since the last erase
    bool m_erased = false;         // the firmware is gone until an upgrade completes
    int m_records = 0;
    int m_bank = 0;
    QByteArray m_line;
    QByteArray m_image;
};

} // namespace korvo
