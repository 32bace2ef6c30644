#include "sim/upgraderesponder.h"

#include "sim/controllersim.h"

#include <QCommandLineParser>
#include <QSaveFile>
#include <cstring>

namespace korvo {

namespace {
constexpr int kUpgradeBaud = 19200;

// "3.2" -> 3 and 200: the digits after the point are the minor number's hundreds, tens and units.
std::pair<int, int> majorMinor(const QString &text)
{
    const qsizetype point = text.indexOf(u'.');
    const int major = text.left(point < 0 ? text.size() : point).toInt();
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    return {major, fraction.leftJustified(3, u'0').left(3).toInt()};
}

QByteArray littleEndian16(int major, int minor)
{
    const char bytes[] = {char(major & 0xFF), char(major >> 8), char(minor & 0xFF), char(minor >> 8)};
    return QByteArray(bytes, 4);
}

QByteArray singleBytes(const QString &text)
{
    const float value = text.toFloat();
    quint32 bits = 0;
    std::memcpy(&bits, &value, 4);
    const char bytes[] = {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
    return QByteArray(bytes, 4);
}

int hexAt(const QByteArray &line, qsizetype position, qsizetype length, bool *ok)
{
    bool good = false;
    const int value = line.mid(position, length).toInt(&good, 16);
    *ok = *ok && good && line.size() >= position + length;
    return value;
}
} // namespace

void addUpgradeSimOptions(QCommandLineParser &parser)
{
    const auto value = [&parser](const char *name, const char *help, const char *valueName) {
        parser.addOption(
            {QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(valueName)});
    };
    parser.addOption({QStringLiteral("upgrade-switch"), QStringLiteral("A uKorvo starts in upgrade mode.")});
    value("version", "Firmware version the controller reports (upgrade mode).", "V");
    value("core", "Core version the controller reports (upgrade mode).", "V");
    value("serial", "Serial number the controller reports (upgrade mode).", "S");
    value("type", "Type number the controller reports (upgrade mode).", "T");
    value("product", "Product text the controller reports (upgrade mode).", "P");
    parser.addOption(
        {QStringLiteral("erased"), QStringLiteral("The version areas read as four bytes of 255.")});
    value("nak-record", "NAK this upgrade record once (1-based).", "N");
    parser.addOption({QStringLiteral("nak-erase"), QStringLiteral("NAK the erase command \"::e\".")});
    value("silent-after-record", "Power lost after this upgrade record (until the next set-up).", "N");
    value("image-out", "Write the 128 KB upgrade image here (end record, reset, exit).", "FILE");
}

UpgradeSimOptions upgradeSimOptions(const QCommandLineParser &parser)
{
    UpgradeSimOptions options;
    const auto text = [&parser](const char *name, QString &field) {
        if (parser.isSet(QString::fromLatin1(name)))
            field = parser.value(QString::fromLatin1(name));
    };
    options.upgradeSwitch = parser.isSet(QStringLiteral("upgrade-switch"));
    text("version", options.version);
    text("core", options.core);
    text("serial", options.serial);
    text("type", options.type);
    text("product", options.product);
    text("image-out", options.imageOut);
    options.erased = parser.isSet(QStringLiteral("erased"));
    options.nakErase = parser.isSet(QStringLiteral("nak-erase"));
    options.nakRecord = parser.value(QStringLiteral("nak-record")).toInt();
    options.silentAfterRecord = parser.value(QStringLiteral("silent-after-record")).toInt();
    return options;
}

UpgradeResponder::UpgradeResponder(ControllerSim &controller, UpgradeSimOptions options)
    : m_controller(controller), m_options(std::move(options)), m_image(kImageBytes, char(0xFF))
{
    m_controller.addByteHook([this](ControllerSim &, char c) { return byte(c); });
    m_controller.addLineHandler([this](ControllerSim &, const QByteArray &line) { return typedLine(line); });
    m_controller.addPowerHook([this] { powerCycled(); });
    if (m_options.upgradeSwitch && m_controller.device() == UKorvo)
        enterUpgradeMode();
}

UpgradeResponder::~UpgradeResponder()
{
    writeImage();
}

bool UpgradeResponder::writeImage(QString *error) const
{
    if (m_options.imageOut.isEmpty())
        return true;
    QSaveFile file(m_options.imageOut);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_image) != m_image.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool UpgradeResponder::typedLine(const QByteArray &line)
{
    const DeviceType device = m_controller.device();
    if ((device != Veltor && device != Fendra) || line.trimmed() != "UG 6041873")
        return false;
    m_controller.replyLine("UPGRADE MODE");
    enterUpgradeMode();
    return true;
}

void UpgradeResponder::enterUpgradeMode()
{
    m_upgradeMode = true;
    m_line.clear();
    m_controller.setOwnBaud(kUpgradeBaud);
}

void UpgradeResponder::powerCycled()
{
    m_line.clear();
    m_bank = 0;
    m_ended = false;
    // The boot loader comes back where the firmware is erased or the upgrade switch is on; otherwise the
    // firmware starts and upgrade mode is gone.
    const bool switchOn = m_options.upgradeSwitch && m_controller.device() == UKorvo;
    if (m_upgradeMode && !m_erased && !switchOn)
        leaveUpgradeMode();
}

void UpgradeResponder::leaveUpgradeMode()
{
    m_upgradeMode = false;
    m_erased = false;
    m_controller.setOwnBaud(9600);
}

bool UpgradeResponder::byte(char c)
{
    if (!m_upgradeMode)
        return false;
    if (c == 3) {
        m_line.clear();
        if (m_powerLost) {
            // Power is back: still in upgrade mode, the image as far as it got.
            m_powerLost = false;
        } else if (m_ended && m_versionWritten && m_controller.device() != UKorvo) {
            m_ended = false;
            leaveUpgradeMode();
            return true;
        }
        m_controller.reply("$");
        return true;
    }
    if (m_powerLost)
        return true;
    if (c == '\r') {
        const QByteArray line = std::exchange(m_line, QByteArray());
        if (line.startsWith("::"))
            command(line);
        else if (line.startsWith(':'))
            record(line);
        return true;
    }
    if (c != '\n')
        m_line += c;
    return true;
}

void UpgradeResponder::answer(const char *tag, const QByteArray &value)
{
    m_controller.reply(QByteArray(tag) + ' ' + value);
    m_controller.reply(QByteArray(1, kAck));
}

QByteArray UpgradeResponder::versionBytes() const
{
    if (m_options.erased)
        return QByteArray(4, char(0xFF));
    if (m_controller.device() == UKorvo)
        return singleBytes(m_options.version);
    const auto [major, minor] = majorMinor(m_options.version);
    return littleEndian16(major, minor);
}

QByteArray UpgradeResponder::coreValue() const
{
    if (m_controller.device() == UKorvo)
        return m_options.erased ? QByteArray(4, char(0xFF)) : singleBytes(m_options.core);
    if (m_options.erased)
        return "FFFFFFFF";
    const auto [major, minor] = majorMinor(m_options.core);
    return QByteArray::number(major, 16).toUpper().rightJustified(4, '0') +
           QByteArray::number(minor, 16).toUpper().rightJustified(4, '0');
}

void UpgradeResponder::command(const QByteArray &line)
{
    m_ended = false;
    const QByteArray name = line.mid(2).trimmed();
    if (name == "v") {
        answer(":v", versionBytes());
    } else if (name == "c") {
        answer(":c", coreValue());
    } else if (name == "p") {
        answer(":p", m_options.product.toLatin1());
    } else if (name == "s") {
        const QByteArray serial = m_options.serial.toLatin1();
        answer(":s",
               m_options.type.isEmpty() ? serial : serial.leftJustified(10, ' ') + m_options.type.toLatin1());
    } else if (name == "e") {
        if (m_options.nakErase) {
            m_controller.reply(QByteArray(1, kNak));
            return;
        }
        m_image.fill(char(0xFF));
        m_erased = true;
        m_versionWritten = false;
        m_controller.reply(QByteArray(1, kAck));
    } else if (name == "r") {
        // Reset: the upgrade switch is still on, so the controller comes back in upgrade mode.
        writeImage();
        m_bank = 0;
    } else {
        m_controller.reply(QByteArray(1, kNak));
    }
}

void UpgradeResponder::record(const QByteArray &line)
{
    if (line == ":ZELInc") {
        m_records = 0;
        m_ended = false;
        m_controller.reply(QByteArray(1, kAck));
        return;
    }
    bool ok = true;
    const int count = hexAt(line, 1, 2, &ok);
    const int address = hexAt(line, 3, 4, &ok);
    const int type = hexAt(line, 7, 2, &ok);
    const QByteArray bytes = QByteArray::fromHex(line.mid(1));
    int sum = 0;
    for (const char b : bytes)
        sum += static_cast<unsigned char>(b);
    // A record that does not add up (or cannot be read) is refused every time it comes.
    const bool sane = ok && line.size() == 11 + 2 * count && bytes.size() == 5 + count && (sum & 0xFF) == 0;
    const bool nakOnce = !m_nakUsed && m_options.nakRecord == m_records + 1;
    if (!sane || nakOnce) {
        m_nakUsed = m_nakUsed || nakOnce;
        m_controller.reply(QByteArray(1, kNak));
        return;
    }
    m_ended = false;
    if (type == 2) {
        m_bank = bytes.mid(4, 2) == QByteArray::fromHex("0000") ? 0 : 1;
    } else if (type == 0) {
        const int at = m_bank * 0x10000 + address;
        const int n = std::min(count, kImageBytes - at);
        m_image.replace(at, n, bytes.mid(4, n));
        if ((count == 4 && (address == 0x7770 || (m_bank == 1 && address == 0xFF60))))
            m_versionWritten = true;
    } else if (type == 1) {
        m_ended = true;
        writeImage();
    }
    ++m_records;
    m_controller.reply(QByteArray(1, kAck));
    if (!m_silenceUsed && m_options.silentAfterRecord > 0 && m_records == m_options.silentAfterRecord) {
        m_silenceUsed = true;
        m_powerLost = true;
    }
}

} // namespace korvo
