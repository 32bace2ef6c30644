#pragma once

// "Comm Settings": the device type, the serial line (the machine's real ports, refreshed while the page is
// open, or a typed device path) or TCP with device discovery, the delays, control lines, translations and
// the function-key groups.

#include "preferences/discoveryreplies.h"
#include "preferences/optionspagewidget.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;
class QTimer;

namespace korvo {

class Clock;
class DeviceDiscovery;
class PortEnumerator;
class Prompt;

class CommPage : public OptionsPageWidget
{
    Q_OBJECT
public:
    CommPage(Clock &clock, Prompt &prompt, QWidget *parent = nullptr);
    ~CommPage() override;

    void load(const OptionsValues &values) override;
    void store(OptionsValues &values) const override;

    // Where discovery asks ("" for the broadcast); the preferences file's DiscoveryTarget.
    void setDiscoveryTarget(const QString &target) { m_discoveryTarget = target; }
    void discover();
    // The active terminal's delays and rate, for the device choice.
    void setActiveTerminal(const CommWindowSettings *terminal) { m_active = terminal; }
    // Where "Port:" finds the machine's ports; it lists none without.
    void setPorts(const PortEnumerator *ports);

private:
    void chooseDevice(DeviceType device);
    void showTcp(bool tcp);
    void refreshPorts();
    void showDiscovered(const QList<DiscoveredDevice> &devices);
    void chooseDiscovered(int index);
    void editControlLines();
    void editTranslations();

    Prompt &m_prompt;
    OptionsValues m_edits; // control lines and translations edited through their dialogs
    const CommWindowSettings *m_active = nullptr;
    const PortEnumerator *m_ports = nullptr;
    QButtonGroup *m_devices = nullptr;
    QCheckBox *m_can = nullptr;
    QCheckBox *m_tcp = nullptr;
    QGroupBox *m_serialFrame = nullptr;
    QGroupBox *m_tcpFrame = nullptr;
    QComboBox *m_port = nullptr;
    QComboBox *m_baud = nullptr;
    QSpinBox *m_charDelay = nullptr;
    QSpinBox *m_lineDelay = nullptr;
    QComboBox *m_tcpDevices = nullptr;
    QLineEdit *m_serialNumber = nullptr;
    QLineEdit *m_connection = nullptr;
    QCheckBox *m_override = nullptr;
    QCheckBox *m_keysEnabled = nullptr;
    QSpinBox *m_groups = nullptr;
    QTimer *m_portWatch = nullptr;
    DeviceDiscovery *m_discovery = nullptr;
    QList<DiscoveredDevice> m_found;
    QString m_discoveryTarget;
    QString m_loadedPort;
    bool m_portEdited = false;
    bool m_loading = false;
};

} // namespace korvo
