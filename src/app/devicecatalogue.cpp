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

const CatalogueEntry &entry(int device)
{
    return device >= 1 && device <= 6 ? kCatalogue[device] : kCatalogue[0];
}
} // namespace

QString deviceName(int device)
{
    return QString::fromLatin1(entry(device).name);
}

QString deviceFileTag(int device)
{
    return QString::fromLatin1(entry(device).tag);
}

QString deviceExtension(int device)
{
    const QString tag = deviceFileTag(device);
    return tag.isEmpty() ? QStringLiteral(".txt") : QLatin1Char('.') + tag.toLower();
}

QString deviceKeywordFile(int device)
{
    return QString::fromLatin1(entry(device).keywordFile);
}

int fileKindForTag(const QString &tag)
{
    for (int device = 1; device <= 6; ++device) {
        const QString known = deviceFileTag(device);
        if (!known.isEmpty() && known == tag)
            return device;
    }
    return PlainText;
}

DeviceTips deviceTips(int device, int targetKind, const QString &targetFile)
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
