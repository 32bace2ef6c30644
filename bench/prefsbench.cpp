// "prefs": reading and writing the preferences file of a large workspace.

#include "benchregistry.h"

#include "settings/prefsfile.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Nine terminals with ten function-key groups each, 200 edit windows and 50 recent files.
korvo::Preferences largeWorkspace()
{
    korvo::Preferences s;
    s.setup.maxFileHistoryCt = 50;
    for (int n = 1; n <= 200; ++n) {
        s.ensureEditSlot(n);
        korvo::EditSlot &slot = s.editSlots[static_cast<std::size_t>(n)];
        slot.state = 0;
        slot.name = QStringLiteral("C:\\Work Files\\Axis programs\\motion%1.vxt").arg(n);
        slot.top = slot.left = 350 * (n % 20);
    }
    s.docCt = 200;
    for (int n = 1; n <= korvo::kMaxTerminals; ++n) {
        s.ensureCommSlot(n);
        korvo::CommWindowSettings &slot = s.commSlots[static_cast<std::size_t>(n)];
        slot.state = 0;
        slot.name = QStringLiteral("Terminal %1").arg(n);
        slot.port = static_cast<int16_t>(n);
        slot.fGroupCt = 10;
        slot.groupNames.clear();
        slot.keys.assign(100, {});
        for (int g = 0; g < 10; ++g)
            slot.groupNames.append(QStringLiteral("Axis %1 jog").arg(g + 1));
        for (int k = 0; k < 100; ++k)
            slot.keys[static_cast<std::size_t>(k)] = {QStringLiteral("Move%1").arg(k),
                                                      QStringLiteral("MA %1^mH^p^mPR POS^m").arg(k * 1000)};
    }
    s.commCt = korvo::kMaxTerminals;
    for (int i = 0; i < 50; ++i)
        s.recentFiles.append(QStringLiteral("C:\\Work Files\\Axis programs\\recent%1.vxt").arg(i));
    s.setup.fileHistoryCt = 50;
    return s;
}

int prefsBenchmark(const QStringList &args)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "korvo-bench prefs: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    const korvo::Preferences workspace = largeWorkspace();
    const QString path = dir.filePath(QStringLiteral("korvoterm.ktm"));
    const QString version = QStringLiteral("1.000.000");
    const int runs = korvo::bench::runCount(args, 21);
    std::vector<double> writes;
    std::vector<double> reads;
    std::vector<double> builds;
    for (int i = 0; i < runs; ++i) {
        bool ok = true;
        writes.push_back(
            korvo::bench::timeMs([&] { ok = korvo::writeIniFile(path, workspace, version, false); }));
        if (!ok) {
            std::fprintf(stderr, "korvo-bench prefs: could not write %s\n", qPrintable(path));
            return 1;
        }
        builds.push_back(
            korvo::bench::timeMs([&] { (void)korvo::prefsImage(workspace, version, false).toBytes(); }));
        korvo::Preferences loaded;
        reads.push_back(korvo::bench::timeMs([&] { korvo::readIniFile(path, loaded, false); }));
        if (loaded.commCt != korvo::kMaxTerminals || loaded.docCt != 200 || loaded.recentFiles.size() != 50) {
            std::fprintf(stderr, "korvo-bench prefs: the file read back differs from the workspace\n");
            return 1;
        }
    }
    korvo::bench::report("prefs_read_ms", korvo::bench::median(reads), "ms");
    korvo::bench::report("prefs_write_ms", korvo::bench::median(writes), "ms");
    // The part of a write spent in memory; the rest is the file system's flush and rename.
    korvo::bench::report("prefs_build_ms", korvo::bench::median(builds), "ms");
    korvo::bench::report("prefs_file_kb", QFileInfo(path).size() / 1024.0, "KiB");
    return 0;
}

} // namespace

KORVO_BENCHMARK("prefs",
                "read and write the preferences file of 9 terminals, 200 edit windows, 50 recent files",
                prefsBenchmark);
