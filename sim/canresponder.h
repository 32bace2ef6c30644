#pragma once

// A simulated CAN adapter (the dongle), CAN monitor, or CAN module behind a dongle, as a byte hook of a
// ControllerSim. The adapter answers "*" to ENQ, acknowledges every ":" command, reports its settings to
// ":GETcfg" as lines and applies its ":C_", ":Mn_", ":XTD", ":MCFG" and ":BAUD" writes. After ":setCAN"
// and ":RESETpgm" the module behind it answers VER and RECALL (36 bytes) and applies its key=value writes.
// The settings are kept under the preference keys ("BTR0", "UAR0(1)", "KORVODn"...).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

namespace korvo {

class ControllerSim;

class CanResponder
{
public:
    enum class Kind { Module, Dongle, Monitor };
    enum class Fault {
        None,
        Nak,     // configuration writes are answered with NAK
        Short,   // GETcfg gives 31 lines, RECALL 30 bytes
        Garbage, // everything is answered with noise
    };
    using Settings = QMap<QByteArray, int>;

    explicit CanResponder(Kind kind);

    // "module", "dongle", "monitor"; false when unknown.
    static bool kindFromName(const QString &name, Kind *kind);
    // "nak", "short", "garbage"; false when unknown.
    static bool faultFromName(const QString &name, Fault *fault);
    // The preferences defaults of a settings record.
    static Settings defaultSettings();

    // Reads [MODULE Settings] into the module's record and [DONGLE Settings] into the adapter's (the
    // monitor's); a file with only one of them gives it to both. False with the OS's reason in *error.
    bool loadConfig(const QString &path, QString *error);
    void setFault(Fault fault) { m_fault = fault; }
    // After this many requests the device vanishes (onVanish is called); -1: never.
    void setVanishAfter(int requests, std::function<void()> onVanish);
    // Hooks the responder into the controller; it must outlive the controller's use.
    void attach(ControllerSim &sim);

    const Settings &adapter() const { return m_adapter; }
    const Settings &module() const { return m_module; }
    bool inConfigMode() const { return m_configMode; }
    bool moduleActive() const { return m_moduleActive; }

private:
    bool take(ControllerSim &sim, char byte);
    void request(ControllerSim &sim, const QByteArray &line);
    void adapterCommand(ControllerSim &sim, const QByteArray &command);
    void moduleCommand(ControllerSim &sim, const QByteArray &command);
    bool writeAdapter(const QByteArray &key, const QByteArray &value);
    void writeModule(const QByteArray &key, const QByteArray &value);
    void reportSettings(ControllerSim &sim);
    QByteArray recallBytes() const;
    void answer(ControllerSim &sim, const QByteArray &bytes);

    Kind m_kind;
    Fault m_fault = Fault::None;
    Settings m_adapter;
    Settings m_module;
    QByteArray m_line;
    bool m_configMode = false;
    bool m_canMode = false; // the adapter passes lines on to the module
    bool m_moduleActive = false;
    int m_requests = 0;
    int m_vanishAfter = -1;
    std::function<void()> m_onVanish;
};

} // namespace korvo
