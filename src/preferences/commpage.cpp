#include "preferences/commpage.h"

#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "link/controllinesdialog.h"
#include "link/portenumerator.h"
#include "link/portnames.h"
#include "preferences/devicediscovery.h"
#include "preferences/discoverysocket.h"
#include "settings/prefslimits.h"
#include "terminal/translatedialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace korvo {

namespace {

constexpr int kPortWatchMs = 1000;
const QStringList kBauds = {QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                            QStringLiteral("38400"), QStringLiteral("115200")};

QSpinBox *delayBox(const QString &name, const QString &tip, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(limits::kDelayMs.lowest, limits::kDelayMs.highest);
    box->setToolTip(tip);
    return box;
}

// "/dev/ttyUSB0 — USB serial adapter" shows a port; the path alone is what is stored.
QString portPath(const QString &entry)
{
    return entry.section(QStringLiteral(" \u2014 "), 0, 0).trimmed();
}

} // namespace

CommPage::CommPage(Clock &clock, Prompt &prompt, QWidget *parent)
    : OptionsPageWidget(parent), m_prompt(prompt)
{
    auto *device = new QGroupBox(QStringLiteral("Device:"), this);
    auto *deviceGrid = new QGridLayout(device);
    m_devices = new QButtonGroup(this);
    for (int type = UKorvo; type <= Norbel; ++type) {
        auto *option = new QRadioButton(deviceName(DeviceType(type)), device);
        option->setObjectName(QStringLiteral("optIndexer%1").arg(type));
        m_devices->addButton(option, type);
        deviceGrid->addWidget(option, (type - 1) / 3, (type - 1) % 3);
    }
    m_can = new QCheckBox(QStringLiteral("CAN"), device);
    m_can->setObjectName(QStringLiteral("chkCAN"));
    m_tcp = new QCheckBox(QStringLiteral("TCP"), device);
    m_tcp->setObjectName(QStringLiteral("chkTCP"));
    deviceGrid->addWidget(m_can, 2, 0);
    deviceGrid->addWidget(m_tcp, 2, 1);

    m_serialFrame = new QGroupBox(QStringLiteral("Comm. Settings"), this);
    m_port = new QComboBox(m_serialFrame);
    m_port->setObjectName(QStringLiteral("cmbPort"));
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->setToolTip(QStringLiteral("Choose a serial port or type a device path"));
    m_baud = new QComboBox(m_serialFrame);
    m_baud->setObjectName(QStringLiteral("cmbBaud"));
    m_charDelay = delayBox(QStringLiteral("txtCharDelay"),
                           QStringLiteral("Enter Character Delay Time - 0 to 999 mSec"), m_serialFrame);
    m_lineDelay = delayBox(QStringLiteral("txtLineDelay"),
                           QStringLiteral("Enter Line Delay Time - 0 to 999 mSec"), m_serialFrame);
    auto *lines = new QPushButton(QStringLiteral("Ctl Lines..."), m_serialFrame);
    auto *translate = new QPushButton(QStringLiteral("Translate..."), m_serialFrame);
    auto *serialForm = new QFormLayout(m_serialFrame);
    serialForm->addRow(QStringLiteral("Port:"), m_port);
    serialForm->addRow(QStringLiteral("Baud Rate:"), m_baud);
    serialForm->addRow(QStringLiteral("Char. Delay (msec):"), m_charDelay);
    serialForm->addRow(QStringLiteral("Line Delay (msec):"), m_lineDelay);
    serialForm->addRow(lines, translate);

    m_tcpFrame = new QGroupBox(QStringLiteral("TCP Settings"), this);
    m_tcpDevices = new QComboBox(m_tcpFrame);
    m_tcpDevices->setObjectName(QStringLiteral("cboTCPIPDevices"));
    m_tcpDevices->setEditable(true);
    m_tcpDevices->setInsertPolicy(QComboBox::NoInsert);
    m_serialNumber = new QLineEdit(m_tcpFrame);
    m_serialNumber->setObjectName(QStringLiteral("txtSerNum"));
    m_serialNumber->setReadOnly(true);
    m_connection = new QLineEdit(m_tcpFrame);
    m_connection->setObjectName(QStringLiteral("txtCurrentConn_IP"));
    m_connection->setReadOnly(true);
    m_override = new QCheckBox(QStringLiteral("Override"), m_tcpFrame);
    m_override->setObjectName(QStringLiteral("chkOverRide"));
    m_override->setToolTip(QStringLiteral("Connect even when another computer holds the device"));
    auto *tcpForm = new QFormLayout(m_tcpFrame);
    tcpForm->addRow(QStringLiteral("Available Devices"), m_tcpDevices);
    tcpForm->addRow(QStringLiteral("Serial Number"), m_serialNumber);
    tcpForm->addRow(QStringLiteral("Current Connection"), m_connection);
    tcpForm->addRow(m_override);

    auto *keys = new QGroupBox(QStringLiteral("Function Keys"), this);
    m_keysEnabled = new QCheckBox(QStringLiteral("Enable"), keys);
    m_keysEnabled->setObjectName(QStringLiteral("chkFuncKeysEn"));
    m_groups = new QSpinBox(keys);
    m_groups->setObjectName(QStringLiteral("txtFuncGrpCt"));
    m_groups->setRange(limits::kFuncGroups.lowest, limits::kFuncGroups.highest);
    m_groups->setToolTip(QStringLiteral("Enter number of Function Key Groups"));
    auto *keyForm = new QFormLayout(keys);
    keyForm->addRow(m_keysEnabled);
    keyForm->addRow(QStringLiteral("Groups:"), m_groups);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(device);
    layout->addWidget(m_serialFrame);
    layout->addWidget(m_tcpFrame);
    layout->addWidget(keys);
    layout->addStretch(1);

    m_discovery = new DeviceDiscovery(clock, this);
    connect(m_discovery, &DeviceDiscovery::finished, this, &CommPage::showDiscovered);
    connect(m_discovery, &DeviceDiscovery::failed, this, [this](const QString &message) {
        unsetCursor();
        QTimer::singleShot(0, this,
                           [this, message] { ask(m_prompt, message, QString(), PromptIcon::Information); });
    });
    m_portWatch = new QTimer(this);
    m_portWatch->setInterval(kPortWatchMs);
    connect(m_portWatch, &QTimer::timeout, this, &CommPage::refreshPorts);
    m_portWatch->start();

    const auto edited = [this] {
        if (!m_loading)
            emit changed();
    };
    connect(m_devices, &QButtonGroup::idClicked, this, [this](int id) { chooseDevice(DeviceType(id)); });
    connect(m_can, &QCheckBox::clicked, this, edited);
    connect(m_tcp, &QCheckBox::clicked, this, [this, edited](bool on) {
        showTcp(on);
        if (on)
            discover();
        edited();
    });
    connect(m_port->lineEdit(), &QLineEdit::textEdited, this, [this, edited] {
        m_portEdited = true;
        edited();
    });
    connect(m_port, &QComboBox::activated, this, [this, edited] {
        m_portEdited = true;
        edited();
    });
    connect(m_baud, &QComboBox::activated, this, edited);
    for (QSpinBox *box : {m_charDelay, m_lineDelay, m_groups})
        connect(box, &QSpinBox::valueChanged, this, [this, box, edited] {
            if (box->hasFocus())
                edited();
        });
    connect(m_keysEnabled, &QCheckBox::clicked, this, edited);
    connect(m_tcpDevices, &QComboBox::activated, this, &CommPage::chooseDiscovered);
    connect(m_tcpDevices->lineEdit(), &QLineEdit::textEdited, this, edited);
    connect(m_override, &QCheckBox::clicked, this, edited);
    connect(lines, &QPushButton::clicked, this, &CommPage::editControlLines);
    connect(translate, &QPushButton::clicked, this, &CommPage::editTranslations);
}

CommPage::~CommPage() = default;

void CommPage::load(const OptionsValues &values)
{
    m_loading = true;
    m_edits = values;
    const CommWindowSettings &s = values.terminal;
    if (QAbstractButton *option = m_devices->button(s.device))
        option->setChecked(true);
    m_can->setChecked(s.canInterface);
    m_tcp->setChecked(s.tcpipEnabled);
    m_loadedPort = serialDeviceName(s);
    m_portEdited = false;
    refreshPorts();
    m_port->setEditText(m_loadedPort);
    // A rate the list does not offer stays the terminal's until another is chosen; without one, 9600.
    m_baud->clear();
    m_baud->addItems(kBauds);
    const int rate = baudOfSettings(s.settings);
    const QString baud = rate > 0 ? QString::number(rate) : QStringLiteral("9600");
    if (!kBauds.contains(baud))
        m_baud->addItem(baud);
    m_baud->setCurrentText(baud);
    m_charDelay->setValue(s.charDelay);
    m_lineDelay->setValue(s.lineDelay);
    m_tcpDevices->clear();
    // The address in use until discovery offers others; it can be typed over at any time.
    m_tcpDevices->setEditText(s.tcpAddress.isEmpty() ? QStringLiteral("No Devices!") : s.tcpAddress);
    m_keysEnabled->setChecked(s.fKeyEn);
    m_groups->setValue(s.fGroupCt);
    showTcp(s.tcpipEnabled);
    m_loading = false;
    if (s.tcpipEnabled)
        discover();
}

void CommPage::store(OptionsValues &values) const
{
    CommWindowSettings &s = values.terminal;
    s.device = DeviceType(std::max(int(UKorvo), m_devices->checkedId()));
    s.canInterface = m_can->isChecked();
    s.tcpipEnabled = m_tcp->isChecked();
    const QString address = m_tcpDevices->currentText().trimmed();
    if (address != QLatin1String("No Devices!") && address != QLatin1String("Select IP"))
        s.tcpAddress = address;
    // The typed or chosen device path goes to PortName; Port keeps what the file held.
    const QString port = portPath(m_port->currentText());
    if (m_portEdited && port != m_loadedPort)
        s.portName = port;
    s.settings = m_baud->currentText() + QStringLiteral(",N,8,1");
    s.charDelay = m_charDelay->value();
    s.lineDelay = m_lineDelay->value();
    const CommWindowSettings &edits = m_edits.terminal;
    s.rtsActive = edits.rtsActive;
    s.dtrActive = edits.dtrActive;
    TranslateDialog::Options::of(edits).applyTo(s);
    s.fKeyEn = m_keysEnabled->isChecked();
    if (m_groups->value() != s.fGroupCt)
        resizeFunctionGroups(s, m_groups->value());
}

void CommPage::chooseDevice(DeviceType device)
{
    if (m_active) {
        m_charDelay->setValue(m_active->charDelay);
        m_lineDelay->setValue(m_active->lineDelay);
        if (device == Q926) {
            // A 926Q runs at one of four rates: the terminal's own when it is one of them, else 9600.
            const QString rate = QString::number(baudOfSettings(m_active->settings));
            const bool listed = rate == QLatin1String("4800") || rate == QLatin1String("9600") ||
                                rate == QLatin1String("19200") || rate == QLatin1String("38400");
            m_baud->setCurrentText(listed ? rate : QStringLiteral("9600"));
        }
    }
    emit changed();
}

void CommPage::showTcp(bool tcp)
{
    m_serialFrame->setVisible(!tcp);
    m_tcpFrame->setVisible(tcp);
}

void CommPage::setPorts(const PortEnumerator *ports)
{
    m_ports = ports;
    refreshPorts();
}

void CommPage::refreshPorts()
{
    QStringList entries;
    for (const SerialPortEntry &port : m_ports ? m_ports->availablePorts() : QList<SerialPortEntry>()) {
        entries << (port.description.isEmpty() ? port.path
                                               : port.path + QStringLiteral(" \u2014 ") + port.description);
    }
    QStringList shown;
    for (int i = 0; i < m_port->count(); ++i)
        shown << m_port->itemText(i);
    if (shown == entries)
        return;
    // Ports come and go (adapters plugged in and out); what the user typed stays.
    const QString typed = m_port->currentText();
    m_port->clear();
    m_port->addItems(entries);
    m_port->setEditText(typed);
}

void CommPage::discover()
{
    if (m_discovery->isRunning())
        return;
    setCursor(Qt::BusyCursor);
    m_discovery->start(m_discoveryTarget);
}

void CommPage::showDiscovered(const QList<DiscoveredDevice> &devices)
{
    unsetCursor();
    m_found = devices;
    if (devices.isEmpty())
        return;
    const QString typed = m_tcpDevices->currentText();
    m_serialNumber->clear();
    m_connection->clear();
    m_tcpDevices->clear();
    m_tcpDevices->addItem(QStringLiteral("Select IP"));
    for (const DiscoveredDevice &device : devices)
        if (!device.address.isEmpty())
            m_tcpDevices->addItem(device.address);
    m_tcpDevices->setEditText(typed == QLatin1String("No Devices!") ? QStringLiteral("Select IP") : typed);
}

void CommPage::chooseDiscovered(int index)
{
    if (index < 1 || index > m_found.size())
        return;
    const DiscoveredDevice &device = m_found.at(index - 1);
    m_serialNumber->setText(device.serial);
    m_connection->setText(device.connection);
    // Free, or held by this computer: blue and overriding; held by another computer: red.
    const bool ours = device.connection.isEmpty() || DiscoverySocket::isOwnAddress(device.connection);
    QPalette palette = m_connection->palette();
    palette.setColor(QPalette::Text, ours ? QColor(0, 0, 255) : QColor(255, 0, 0));
    m_connection->setPalette(palette);
    m_override->setChecked(ours);
    m_override->setEnabled(!ours);
    emit changed();
}

void CommPage::editControlLines()
{
    CommWindowSettings &s = m_edits.terminal;
    if (const std::optional<ControlLines> lines =
            ControlLinesDialog::edit({s.rtsActive, s.dtrActive}, this)) {
        s.rtsActive = lines->rts;
        s.dtrActive = lines->dtr;
        emit changed();
    }
}

void CommPage::editTranslations()
{
    TranslateDialog dialog(TranslateDialog::Options::of(m_edits.terminal), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.options().applyTo(m_edits.terminal);
    emit changed();
}

} // namespace korvo
