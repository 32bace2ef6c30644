#include "upgrade/upgradecheck.h"

#include <cmath>

namespace korvo {

namespace {
bool inOrvRange(double version)
{
    return version >= 900.0 && version < 903.0;
}
} // namespace

double roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

bool isPlusController(double coreVersion)
{
    return coreVersion >= 3.0 && !inOrvRange(coreVersion);
}

bool asksProductText(double coreVersion)
{
    const double rounded = roundHalfEven(coreVersion);
    return coreVersion >= 3.0 && rounded != 900.0 && rounded != 901.0;
}

UpgradeCheck checkOrvBrelFile(double coreVersion, double fileVersion, QChar kind)
{
    const bool plus = isPlusController(coreVersion);
    bool accepted = false;
    if (plus) {
        accepted = fileVersion >= 3.0 && !inOrvRange(fileVersion) && kind == QLatin1Char('I');
    } else {
        const double rounded = roundHalfEven(fileVersion);
        accepted = fileVersion < 3.0 || rounded == 900.0 || rounded == 901.0;
    }
    if (accepted)
        return {};
    return {false, QStringLiteral(" Illegal Upgrade File!\r\n") +
                       (plus ? QStringLiteral("    Orv Plus upgrade needed.")
                             : QStringLiteral("    Orv upgrade needed.")) +
                       QStringLiteral("\r\n Please Select Another Upgrade File (Previous) or CANCEL")};
}

UpgradeCheck checkUKorvoCore(const QString &controllerCore, const QString &fileCore)
{
    if (controllerCore == fileCore)
        return {};
    return {false,
            QStringLiteral("  The CORE Version Numbers DO NOT Match,\r\n  Contact Factory\r\n     UPGRADE "
                           "Will ABORT!\r\n     Press CANCEL")};
}

QString coreVersionsText(const QString &controllerCore, const QString &fileCore)
{
    const auto shown = [](const QString &core, const char *missing) {
        return core.isEmpty() ? QString::fromLatin1(missing) : core;
    };
    return QStringLiteral("Controller core: %1    File core: %2")
        .arg(shown(controllerCore, "(erased)"), shown(fileCore, "(none)"));
}

} // namespace korvo
