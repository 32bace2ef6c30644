#include "devicecatalogue.h"

namespace korvo {

namespace {
struct CatalogueEntry
{
    const char *name;
    const char *tag;
    const char *keywordFile;
};

// Indexed by device type 0..6.
constexpr CatalogueEntry kCatalogue[] = {
    {"", "", ""},
    {"uKorvo", "KXT", "KORVO_ALL.rw"},
    {"926Q", "", ""},
    {"HMI", "", ""},
    {"Veltor", "VXT", "VELTOR_ALL.rw"},
    {"Fendra", "FXT", "FENDRA_ALL.rw"},
    {"NB[C,M,O,T,V]", "NBT", "NB_ALL.rw"},
};

constexpr DeviceType kCatalogued[] = {UKorvo, Q926, Hmi, Veltor, Fendra, Norbel};

const CatalogueEntry &entry(DeviceType device)
{
    // The preferences file may hold any number; unknown ones read as plain text.
    return device >= UKorvo && device <= Norbel ? kCatalogue[device] : kCatalogue[PlainText];
}
} // namespace

QString deviceName(DeviceType device)
{
    return QString::fromLatin1(entry(device).name);
}

QString deviceFileTag(DeviceType device)
{
    return QString::fromLatin1(entry(device).tag);
}

QString deviceExtension(DeviceType device)
{
    const QString tag = deviceFileTag(device);
    return tag.isEmpty() ? QStringLiteral(".txt") : QLatin1Char('.') + tag.toLower();
}

QString deviceKeywordFile(DeviceType device)
{
    return QString::fromLatin1(entry(device).keywordFile);
}

DeviceType deviceFromOptionName(const QString &name)
{
    struct Named
    {
        const char *name;
        DeviceType device;
    };
    static constexpr Named kNames[] = {{"ukorvo", UKorvo}, {"926q", Q926},     {"hmi", Hmi},
                                       {"veltor", Veltor}, {"fendra", Fendra}, {"nb", Norbel}};
    for (const Named &named : kNames)
        if (name.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return named.device;
    return PlainText;
}

DeviceType fileKindForTag(const QString &tag)
{
    for (DeviceType device : kCatalogued) {
        const QString known = deviceFileTag(device);
        if (!known.isEmpty() && known == tag)
            return device;
    }
    return PlainText;
}

DeviceTips deviceTips(DeviceType device, int targetKind, const QString &targetFile)
{
    const QString name = deviceName(device);
    QString target = QStringLiteral("Edit Window");
    if (targetKind == 2 && !targetFile.isEmpty()) {
        target = targetFile.size() > 22 ? targetFile.left(10) + QStringLiteral("...") + targetFile.right(13)
                                        : targetFile;
    }
    if (name.isEmpty())
        return {QStringLiteral("Upload"), QStringLiteral("Download")};
    return {QStringLiteral("Upload to ") + target + QStringLiteral(" from ") + name,
            QStringLiteral("Download from ") + target + QStringLiteral(" to ") + name};
}

} // namespace korvo
