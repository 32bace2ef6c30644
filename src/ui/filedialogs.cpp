#include "filedialogs.h"

#include "app/devicecatalogue.h"
#include "ui/windowplace.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QSplitter>
#include <QTreeView>

namespace korvo {

namespace {
const char kProgramFilter[] =
    "uKorvo Files (*.kxt)|*.kxt|Veltor Files(*.vxt)|*.vxt|Fendra Files(*.fxt)|*.fxt|Norbel "
    "Files(*.nbt)|*.nbt|"
    "All Program Files (*.vxt;*.fxt;*.nbt;*.kxt)|*.vxt;*.fxt;*.nbt;*.kxt|Text Files (*.txt)|*.txt|"
    "All Files (*.*)|*.*";

// Filter entry (1-based) preselected for a device family.
int programFilterEntry(DeviceType family, bool plainTextToo)
{
    switch (family) {
    case UKorvo:
        return 1;
    case Veltor:
        return 2;
    case Fendra:
        return 3;
    case Norbel:
        return 4;
    default:
        return plainTextToo ? 6 : 1;
    }
}

// Default extension of the program and listing dialogs: only these families have one of their own, the
// others (uKorvo included) keep the dialogs' ".vxt".
QString programSuffix(DeviceType family)
{
    switch (family) {
    case Fendra:
        return QStringLiteral("fxt");
    case Norbel:
        return QStringLiteral("nbt");
    case Q926:
    case Hmi:
        return QStringLiteral("txt");
    default:
        return QStringLiteral("vxt");
    }
}

// Qt sizes the detail columns for short English texts ("mp3Folder", "10/29/81 02:02PM"): a type such as
// "plain text document" and a date in the user's own format were cut. The columns take what their texts
// need, and the dialog is large enough for them on any screen that holds it.
void fitColumns(QFileDialog &dialog)
{
    const QFontMetrics metrics = dialog.fontMetrics();
    const QRect screen = availableScreenArea(
        dialog.parentWidget() ? dialog.parentWidget()->geometry() : QRect(), dialog.parentWidget());
    QSize size(metrics.averageCharWidth() * 120, metrics.height() * 28);
    if (!screen.isEmpty())
        size = size.boundedTo(screen.size() * 9 / 10);
    dialog.resize(size);
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = details->header();
        // A name longer than the view scrolls rather than losing its middle. No column stretches: a
        // stretched last column takes only what the others leave, and the date was cut where they left
        // less than it needs.
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setStretchLastSection(false);
    }
    auto *places = dialog.findChild<QListView *>(QStringLiteral("sidebar"));
    auto *splitter = dialog.findChild<QSplitter *>(QStringLiteral("splitter"));
    if (places && splitter && splitter->count() == 2) {
        const int wanted =
            places->sizeHintForColumn(0) + 2 * places->frameWidth() + metrics.averageCharWidth();
        splitter->setSizes({wanted, size.width() - wanted});
    }
}

} // namespace

QStringList qtFilters(const QString &filterText)
{
    const QStringList parts = filterText.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const qsizetype paren = description.lastIndexOf(QLatin1Char('('));
        if (paren > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(paren).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        filters.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

DeviceType activeDeviceFamily(const Preferences &prefs, int activeComm)
{
    const int slot = activeComm;
    if (slot > 0 && slot < static_cast<int>(prefs.commSlots.size()) && prefs.commSlots[slot].state >= 0)
        return prefs.commSlots[slot].device;
    return Veltor;
}

FileDialogRequest fileDialogRequest(FileDialogKind kind, DeviceType family, const QString &initialPath,
                                    FileDialogMode mode)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Select Program File");
    request.filters = qtFilters(QString::fromLatin1(kProgramFilter));
    request.defaultSuffix = QStringLiteral("vxt");
    request.initialPath = initialPath;
    request.mode = mode;
    int entry = 1;
    switch (kind) {
    case FileDialogKind::ProgramFile:
    case FileDialogKind::TransferFile:
        entry = programFilterEntry(family, true);
        request.defaultSuffix = programSuffix(family);
        break;
    case FileDialogKind::NewFileBrowse:
        entry = programFilterEntry(family, true);
        break;
    case FileDialogKind::SendFile:
        entry = programFilterEntry(family, false);
        break;
    case FileDialogKind::UpgradeFile:
    case FileDialogKind::FactoryUpgradeFile:
        request.title = family == UKorvo   ? QStringLiteral("Select uKorvo Upgrade File")
                        : family == Fendra ? QStringLiteral("Select Fendra Upgrade File")
                                           : QStringLiteral("Select Veltor Upgrade File");
        request.defaultSuffix = QStringLiteral("zel");
        request.filters = qtFilters(kind == FileDialogKind::FactoryUpgradeFile
                                        ? QStringLiteral("UPGRADE Files (*.zel;*.hex)|*.zel;*.hex")
                                        : QStringLiteral("UPGRADE Files (*.zel)|*.zel"));
        break;
    case FileDialogKind::CaptureFile:
        request.title = QStringLiteral("Select Capture File");
        request.defaultSuffix = QStringLiteral("txt");
        entry = programFilterEntry(PlainText, true); // what a device sends is text, whatever its family
        break;
    case FileDialogKind::TraceFile:
        request.title = QStringLiteral("Save Line Monitor Log");
        request.defaultSuffix = QStringLiteral("txt");
        request.filters = qtFilters(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        break;
    case FileDialogKind::PreferencesFile:
        request.title = QStringLiteral("Select KorvoTerm Preferences File");
        request.defaultSuffix = QStringLiteral("ktm");
        request.filters =
            qtFilters(QStringLiteral("Preference Files (*.ktm;*.ini)|*.ktm;*.ini|All Files (*.*)|*.*"));
        break;
    }
    request.selectedFilter = request.filters.value(entry - 1, request.filters.value(0));
    return request;
}

std::unique_ptr<QFileDialog> fileDialogFor(const FileDialogRequest &request, QWidget *parent)
{
    // The non-native dialog behaves the same on every desktop and never blocks a headless session.
    auto dialog = std::make_unique<QFileDialog>(parent, request.title);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    fitColumns(*dialog);
    dialog->setNameFilters(request.filters);
    if (!request.selectedFilter.isEmpty())
        dialog->selectNameFilter(request.selectedFilter);
    dialog->setDefaultSuffix(request.defaultSuffix);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (request.mode == FileDialogMode::Save)
        dialog->setAcceptMode(QFileDialog::AcceptSave);
    if (!request.initialPath.isEmpty()) {
        const QFileInfo info(request.initialPath);
        if (info.isAbsolute())
            dialog->setDirectory(info.absolutePath());
        dialog->selectFile(info.fileName());
    }
    return dialog;
}

std::optional<QString> FileDialogs::getFile(FileDialogKind kind, DeviceType family,
                                            const QString &initialPath, FileDialogMode mode,
                                            QWidget *parent) const
{
    const FileDialogRequest request = fileDialogRequest(kind, family, initialPath, mode);
    if (m_runner)
        return m_runner(request);
    const std::unique_ptr<QFileDialog> dialog = fileDialogFor(request, parent);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog->selectedFiles().constFirst());
}

const FileDialogs &realFileDialogs()
{
    static const FileDialogs real;
    return real;
}

} // namespace korvo
