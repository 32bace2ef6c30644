// korvo-cli's upload, download, verify and send against korvo-sim programs on ptys: the scripted round trip,
// the exit codes of the contract, the simulator loading its memory from a listing, and the line trace.

#include "simprocess.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
struct Result
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// The simulator answers at once: silences and time-outs run ten times shorter.
Result cli(const QStringList &args, bool quiet = true)
{
    QProcess process;
    process.start(builtProgram("korvo-cli"), (quiet ? QStringList{"--quiet"} : QStringList()) +
                                                 QStringList{"--time-scale", "10"} + args);
    Result result;
    if (!process.waitForFinished(60'000))
        return result;
    result.code = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// A --trace log read back: its rows in order, a marker's text as its bytes.
struct TraceRow
{
    qint64 timeUs = 0;
    QByteArray direction; // "TX", "RX" or "--"
    QByteArray bytes;
};

QList<TraceRow> readTrace(const QString &path)
{
    QFile file(path);
    QList<TraceRow> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    static const QRegularExpression row(QStringLiteral("^ *(\\d+)\\.(\\d{6})  (TX|RX|--)  (.*)$"));
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QRegularExpressionMatch match = row.match(QString::fromUtf8(line));
        if (!match.hasMatch())
            continue;
        const QByteArray direction = match.captured(3).toLatin1();
        const QString rest = match.captured(4);
        // Hex and text side by side: the hex column is what goes on the wire.
        const QByteArray bytes =
            direction == "--" ? rest.toUtf8() : QByteArray::fromHex(rest.left(48).toLatin1());
        rows.append(
            {match.captured(1).toLongLong() * 1'000'000 + match.captured(2).toLongLong(), direction, bytes});
    }
    return rows;
}
} // namespace

class TstTransferCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo::exists(builtProgram("korvo-cli")) || !QFileInfo::exists(builtProgram("korvo-sim")))
            QSKIP("korvo-cli and korvo-sim are not built next to the tests");
    }
    void aListingGoesUpDownAndVerifiesFromAScript();
    void theContractsExitCodes();
    void onAFaultyLineAJobEndsRightOrWithOneMessageAndExitOne_data();
    void onAFaultyLineAJobEndsRightOrWithOneMessageAndExitOne();
    void aRackOfControllersBacksUpAtOnce();
    void everyCommandExplainsItselfAndCompletes();
};

void TstTransferCli::aListingGoesUpDownAndVerifiesFromAScript()
{
    QTemporaryDir dir;
    const QString listing = dir.filePath(QStringLiteral("veltor.vxt"));
    SimProcess source({"--device", "veltor"});
    QVERIFY(source.ready());
    Result up = cli({"--port", source.path(), "--device", "veltor", "upload", "-o", listing, "--sections",
                     "vars,programs"},
                    false);
    QCOMPARE(up.code, 0);
    // An upload tells its figures on stderr too, the last of them once it has ended.
    QVERIFY2(QRegularExpression("korvo-cli: \\d+ lines, \\d+ bytes, \\d+ bytes/s, \\d+ s elapsed\n$")
                 .match(QString::fromLocal8Bit(up.err))
                 .hasMatch(),
             up.err.constData());
    QFile file(listing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray uploaded = file.readAll();
    file.close();
    QVERIFY(uploaded.startsWith("'[VARIABLES]\r\nVA ACCEL = 2000\r\n"));

    SimProcess empty({"--device", "veltor", "--empty"});
    const QString tracePath = dir.filePath(QStringLiteral("download.trace"));
    Result down =
        cli({"--port", empty.path(), "--device", "veltor", "--trace", tracePath, "download", listing}, false);
    QCOMPARE(down.code, 0);
    QVERIFY2(down.err.contains(" lines, ") && down.err.contains(" bytes/s, "), down.err.constData());
    // The trace holds the job between its markers, every line sent and, before the next one goes, its echo,
    // in order of time.
    const QList<TraceRow> trace = readTrace(tracePath);
    QVERIFY(trace.size() > 2);
    QCOMPARE(trace.first().direction + trace.first().bytes, QByteArray("--start download"));
    QCOMPARE(trace.last().direction + trace.last().bytes, QByteArray("--end download"));
    QByteArray sentLine;
    QByteArray echoed; // what came back since the line being sent began
    QStringList lines;
    for (qsizetype i = 1; i < trace.size(); ++i) {
        QVERIFY2(trace[i].timeUs >= trace[i - 1].timeUs, qPrintable(QString::number(i)));
        if (trace[i].direction == "RX")
            echoed += trace[i].bytes;
        if (trace[i].direction != "TX")
            continue;
        for (char c : trace[i].bytes) {
            if (c == '\n')
                continue;
            if (sentLine.endsWith('\r')) {
                QVERIFY2(echoed.contains(sentLine.chopped(1)), sentLine.constData());
                lines.append(QString::fromLatin1(sentLine.chopped(1)));
                sentLine.clear();
                echoed.clear();
            }
            sentLine += c;
        }
    }
    QVERIFY(echoed.contains(sentLine.trimmed()));
    QVERIFY2(lines.contains(QStringLiteral("VA ACCEL = 2000")), qPrintable(lines.join(u'|')));
    Result same = cli({"--port", empty.path(), "--device", "veltor", "verify", listing});
    QCOMPARE(same.code, 0);
    QCOMPARE(same.out, QByteArray("identical\n"));
    Result reply = cli({"--port", empty.path(), "send", "pr al", "--wait-ms", "300"});
    QCOMPARE(reply.code, 0);
    QVERIFY(reply.out.contains("ACCEL = G 2000\r\n"));

    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(uploaded).replace("VA SPEED = 1500", "VA SPEED = 1600"));
    file.close();
    Result differs = cli({"--port", empty.path(), "--device", "veltor", "verify", listing});
    QCOMPARE(differs.code, 1);
    QVERIFY(differs.out.contains("\n-VA SPEED = 1600\n+VA SPEED = 1500"));

    // Without --sections a backup is whole: every section the device has.
    Result whole = cli({"--port", source.path(), "--device", "veltor", "upload"});
    QCOMPARE(whole.code, 0);
    QVERIFY(whole.out.startsWith("'[VARIABLES]\n") && whole.out.contains("\n'[PROGRAMS]\n"));
    Result lacking =
        cli({"--port", source.path(), "--device", "veltor", "upload", "--sections", "vars,flags"});
    QCOMPARE(lacking.code, 2);
    QVERIFY2(lacking.err.contains("the device has no section \"flags\" (it has vars,programs)"),
             lacking.err.constData());

    // A simulator started from the listing holds what it says.
    SimProcess loaded({"--device", "veltor", "--memory", listing});
    Result again = cli({"--port", loaded.path(), "--device", "veltor", "upload", "--sections", "vars"});
    QCOMPARE(again.code, 0);
    QVERIFY(again.out.contains("VA SPEED = 1600\n"));
    // Verified without --sections, a listing that lacks a section the device has is not the device's.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(again.out.replace('\n', "\r\n"));
    file.close();
    QCOMPARE(cli({"--port", loaded.path(), "--device", "veltor", "verify", listing}).code, 1);
    QCOMPARE(
        cli({"--port", loaded.path(), "--device", "veltor", "verify", listing, "--sections", "vars"}).code,
        0);
}

void TstTransferCli::theContractsExitCodes()
{
    QTemporaryDir dir;
    const QString listing = dir.filePath(QStringLiteral("x.txt"));
    QFile file(listing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("VA A\0 = 1\r\n", 11));
    file.close();
    SimProcess sim({"--device", "hmi"});
    Result hmi = cli({"--port", sim.path(), "--device", "hmi", "download", listing});
    QCOMPARE(hmi.code, 2);
    QVERIFY(hmi.err.contains("Download not available for HMI"));
    QCOMPARE(cli({"--port", sim.path(), "upload"}).code, 2); // no device type
    QCOMPARE(cli({"--port", sim.path(), "--device", "veltor", "upload", "--reads", "0"}).code, 2);
    Result refused = cli({"--port", sim.path(), "--device", "veltor", "download", listing});
    QCOMPARE(refused.code, 1);
    QVERIFY(refused.err.contains("NUL byte"));
    Result missing = cli({"--port", sim.path(), "--device", "veltor", "download", dir.filePath("none.txt")});
    QCOMPARE(missing.code, 2);
    QVERIFY(missing.err.contains("No such file or directory"));
    // A file without lines has nothing to download: exit 1, as the help says.
    const QString empty = dir.filePath(QStringLiteral("empty.txt"));
    QFile emptyFile(empty);
    QVERIFY(emptyFile.open(QIODevice::WriteOnly));
    emptyFile.close();
    Result nothing = cli({"--port", sim.path(), "--device", "veltor", "download", empty});
    QCOMPARE(nothing.code, 1);
    QVERIFY2(nothing.err.contains("has no lines to send"), nothing.err.constData());
    // A terminal whose USB adapter is not plugged in has no link; a port named as well is used as named.
    const QString prefs = dir.filePath(QStringLiteral("unplugged.ktm"));
    QFile prefsFile(prefs);
    QVERIFY(prefsFile.open(QIODevice::WriteOnly));
    prefsFile.write("[Setup]\r\nCommCt=1\r\n[Comm_1]\r\nPortName=/dev/ttyUSB7\r\nUsbVendorId=0403\r\n"
                    "UsbProductId=6001\r\nUsbSerial=KORVO-ABSENT\r\nUsbDescription=FT232R USB UART\r\n");
    prefsFile.close();
    Result unplugged = cli({"--prefs", prefs, "--terminal", "1", "--device", "veltor", "send", "pr al"});
    QCOMPARE(unplugged.code, 2);
    QVERIFY2(unplugged.err.contains("FT232R USB UART (KORVO-ABSENT) is not plugged in."),
             unplugged.err.constData());
    QCOMPARE(cli({"--prefs", prefs, "--terminal", "1", "--port", sim.path(), "send", "pr al"}).code, 0);
    // An upload whose link never opens leaves no file behind.
    const QString backup = dir.filePath(QStringLiteral("backup.vxt"));
    QCOMPARE(cli({"--prefs", prefs, "--terminal", "1", "upload", "-o", backup}).code, 2);
    QVERIFY(QDir(dir.path()).entryList({QStringLiteral("backup*")}, QDir::Files).isEmpty());

    // An echo that does not come within --timeout-s ends the download, naming the line.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("VA A = 1\r\nVA B = 2\r\n");
    file.close();
    SimProcess silent({"--device", "veltor", "--silent"});
    const QString tracePath = dir.filePath(QStringLiteral("failed.trace"));
    Result timedOut = cli({"--port", silent.path(), "--device", "veltor", "--trace", tracePath, "download",
                           listing, "--timeout-s", "2"});
    QCOMPARE(timedOut.code, 1);
    QVERIFY2(timedOut.err.contains("No echo of line 1 (\"VA A = 1\") within 2 s"), timedOut.err.constData());
    // A failed job's trace is written too: what went out before it gave up.
    const QList<TraceRow> trace = readTrace(tracePath);
    QVERIFY(trace.size() > 2);
    QCOMPARE(trace.first().bytes, QByteArray("start download"));
    QCOMPARE(trace.last().bytes, QByteArray("end download"));
    QByteArray sent;
    for (const TraceRow &row : trace)
        sent += row.direction == "TX" ? row.bytes : QByteArray();
    QVERIFY2(sent.startsWith("VA A = 1\r"), sent.constData());
    QCOMPARE(
        cli({"--port", silent.path(), "--device", "veltor", "download", listing, "--timeout-s", "x"}).code,
        2);
    // A job without figures of its own still tells, once a second, that it goes on.
    Result waiting = cli({"--port", silent.path(), "send", "pr al", "--wait-ms", "15000"}, false);
    QCOMPARE(waiting.code, 0);
    QVERIFY2(waiting.err.contains("s elapsed\n"), waiting.err.constData());
}

void TstTransferCli::onAFaultyLineAJobEndsRightOrWithOneMessageAndExitOne_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("job"); // FILE: the changed listing (download) or the device's (verify)
    QTest::addColumn<QString>("failure"); // the message; empty: exit 0 with the right result
    const QStringList up{"upload", "-o", "FILE"};
    QTest::newRow("upload, a damaged command asked again")
        << QStringList{"--line-faults", "corrupt=0.01,seed=1092"} << up << "";
    QTest::newRow("upload, readings never agree")
        << QStringList{"--line-faults", "dup=0.01,seed=1"} << up + QStringList{"--read-twice"}
        << "VARIABLES: 5 readings, never 2 in a row alike; line 2 read";
    QTest::newRow("upload, stall") << QStringList{"--stall-after", "4"} << up
                                   << "VARIABLES: no answer to \"pr al\" (asked 4 times)";
    QTest::newRow("download, corrupt")
        << QStringList{"--line-faults", "corrupt=0.01,seed=3"} << QStringList{"download", "FILE"}
        << "The echo of line 2 (\"VA ACCEL = 72000\") came back as \">VA ACSEL = 72000\"";
    QTest::newRow("download, stall") << QStringList{"--stall-after", "40"}
                                     << QStringList{"download", "FILE", "--timeout-s", "2"}
                                     << "No echo of line 3 (\"VA SPEED = 71500\") within 2 s";
    QTest::newRow("verify, three readings alike") << QStringList{"--line-faults", "corrupt=0.002,seed=7"}
                                                  << QStringList{"verify", "FILE", "--reads", "3"} << "";
    QTest::newRow("verify, stall") << QStringList{"--stall-after", "4"} << QStringList{"verify", "FILE"}
                                   << "VARIABLES: no answer to \"pr al\" (asked 4 times)";
}

// The simulator's seeded faults: each job ends with exit 0 and the right result, or with exit 1 and one
// message naming the section or line (an upload keeping what it read in FILE.incomplete).
void TstTransferCli::onAFaultyLineAJobEndsRightOrWithOneMessageAndExitOne()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, job);
    QFETCH(QString, failure);
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("device.vxt"));
    const QString changed = dir.filePath(QStringLiteral("changed.vxt"));
    {
        SimProcess clean({"--device", "veltor"});
        QCOMPARE(cli({"--port", clean.path(), "--device", "veltor", "upload", "-o", device}).code, 0);
    }
    QFile file(device);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray listing = file.readAll();
    file.close();
    QByteArray other = listing;
    other.replace("= ", "= 7").replace("MR 4000", "MR 40001");
    file.setFileName(changed);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(other) == other.size());
    file.close();

    const bool upload = job.first() == QLatin1String("upload");
    const QString path = upload                                     ? dir.filePath(QStringLiteral("up.vxt"))
                         : job.first() == QLatin1String("download") ? changed
                                                                    : device;
    job.replaceInStrings(QStringLiteral("FILE"), path);
    SimProcess sim(QStringList{"--device", "veltor"} + simArgs);
    QVERIFY(sim.ready());
    const Result result = cli(QStringList{"--port", sim.path(), "--device", "veltor"} + job);
    if (!failure.isEmpty()) {
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.startsWith("korvo-cli: " + failure.toUtf8()), result.err.constData());
        if (upload) {
            QVERIFY(
                result.err.endsWith(("The incomplete upload is kept in " + path + ".incomplete\n").toUtf8()));
            QVERIFY(!QFile::exists(path));
        }
        return;
    }
    QVERIFY2(result.code == 0, result.err.constData());
    if (upload) {
        file.setFileName(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), listing);
    } else {
        QCOMPARE(result.out, QByteArray("identical\n"));
    }
}

// Several links, from the command line and a links file, back up at once; a link that cannot open fails
// alone and the summary says so.
void TstTransferCli::aRackOfControllersBacksUpAtOnce()
{
    QTemporaryDir dir;
    SimProcess first({"--device", "veltor"});
    SimProcess second({"--device", "veltor"});
    QVERIFY(first.ready() && second.ready());
    const QString linksPath = dir.filePath(QStringLiteral("rack.links"));
    QFile links(linksPath);
    QVERIFY(links.open(QIODevice::WriteOnly));
    links.write(("# the rack\n" + second.path() + " --settings 9600,N,8,1\n\n--port /dev/korvo-none\n")
                    .toLocal8Bit());
    links.close();
    const Result rack = cli({"--port", first.path(), "--links", linksPath, "--device", "veltor", "--json",
                             "upload", "-o", dir.filePath(QStringLiteral("backup-{port}.vxt"))});
    QCOMPARE(rack.code, 1);
    QMap<QString, QJsonObject> summary;
    for (const QByteArray &line : rack.out.split('\n'))
        if (!line.isEmpty()) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            summary.insert(object.value("link").toString(), object);
        }
    QCOMPARE(summary.size(), 3);
    for (const QString &path : {first.path(), second.path()}) {
        QCOMPARE(summary[path].value("result").toString(), QStringLiteral("done"));
        QVERIFY(summary[path].value("seconds").toDouble() > 0);
        QFile backup(dir.filePath("backup-" + path.mid(5).replace(u'/', u'_') + ".vxt"));
        QVERIFY2(backup.open(QIODevice::ReadOnly), qPrintable(backup.fileName()));
        QVERIFY(backup.readAll().startsWith("'[VARIABLES]\r\nVA ACCEL = 2000\r\n"));
    }
    const QJsonObject missing = summary["/dev/korvo-none"];
    QCOMPARE(missing.value("result").toString(), QStringLiteral("not started"));
    QCOMPARE(missing.value("exit").toInt(), 2);
    QVERIFY2(missing.value("message").toString().contains("No such file or directory"),
             qPrintable(missing.value("message").toString()));

    // Without --json one line per link; every link done is exit 0.
    const Result done = cli({"--port", first.path(), "--port", second.path(), "--device", "veltor", "verify",
                             dir.filePath(QStringLiteral("backup-{port}.vxt"))});
    QCOMPARE(done.code, 0);
    QVERIFY2(done.out.startsWith((first.path() + "  done  ").toLocal8Bit()) &&
                 done.out.contains(("\n" + second.path() + "  done  ").toLocal8Bit()),
             done.out.constData());
}

namespace {
// What the bash completion offers for the words typed so far (the last one is being completed), with the two
// helpers of the bash-completion package stood in for.
QStringList completions(const QStringList &words)
{
    const QString script = QStringLiteral(
        "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD; "
        "cur=${words[cword]}; prev=${words[cword-1]}; }\n"
        "_filedir() { :; }\n"
        "source \"$1\"\n"
        "shift; COMP_WORDS=(korvo-cli \"$@\"); COMP_CWORD=$#; _korvo_cli; echo \"${COMPREPLY[*]}\"\n");
    QProcess bash;
    bash.start(QStringLiteral("bash"),
               QStringList{"-c", script, "bash", KORVO_SOURCE_DIR "/data/completion/korvo-cli"} + words);
    if (!bash.waitForFinished(10'000))
        return {QStringLiteral("bash did not finish")};
    return QString::fromLocal8Bit(bash.readAllStandardOutput()).trimmed().split(u' ', Qt::SkipEmptyParts);
}
} // namespace

void TstTransferCli::everyCommandExplainsItselfAndCompletes()
{
    const Result usage = cli({"--help"});
    QCOMPARE(usage.code, 0);
    const QByteArray listed = usage.out.mid(usage.out.indexOf("commands:\n") + 10);
    QStringList commands;
    for (const QByteArray &line : listed.split('\n'))
        if (line.startsWith("  "))
            commands.append(QString::fromLatin1(line.trimmed().split(' ').first()));
    QVERIFY(commands.size() >= 11);
    const QByteArray manual = cli({"--manual"}).out;
    for (const QString &command : commands) {
        const Result help = cli({command, "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY2(help.out.contains("usage: korvo-cli [LINK] [OPTIONS] " + command.toLatin1()),
                 qPrintable(command));
        QVERIFY2(help.out.contains("exit status:\n  0") && help.out.contains("  130"), qPrintable(command));
        QVERIFY2(help.out.contains("--json"), qPrintable(command));
        QVERIFY2(manual.contains(".SS " + command.toLatin1().replace("-", "\\-")), qPrintable(command));
    }
    const Result upload = cli({"upload", "--help"});
    QVERIFY(upload.out.contains("--json fields:\n  lines "));
    QVERIFY(upload.out.contains("\n  -o FILE "));

    QCOMPARE(completions({"up"}), (QStringList{"upload", "upgrade"}));
    QStringList offered = completions({""});
    offered.sort();
    commands.sort();
    QCOMPARE(offered, commands);
    QCOMPARE(completions({"--device", "ve"}), QStringList{"veltor"});
    QCOMPARE(completions({"--port", "/dev/pts/", "up"}), (QStringList{"upload", "upgrade"}));
    QVERIFY(completions({"upload", "--sec"}).contains(QStringLiteral("--sections")));
    QCOMPARE(completions({"verify", "--re"}), (QStringList{"--read-twice", "--reads"}));
    QVERIFY(cli({"upload", "--help"}).out.contains("\n  --read-twice "));
    // Serial devices for --port: a simulated controller's pty is one.
    SimProcess sim({"--device", "veltor"});
    QVERIFY(sim.ready());
    QVERIFY(completions({"--port", "/dev/pts/"}).contains(sim.path()));
}

QTEST_GUILESS_MAIN(TstTransferCli)
#include "tst_transfercli.moc"
