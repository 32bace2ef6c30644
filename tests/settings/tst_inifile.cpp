// The initialization-file format: encodings, line ends, name matching, value rules and hostile input.

#include "settings/inifile.h"
#include "settings/inihelpers.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstIniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aWindowsFileWithByte149ReadsAndRewritesByteIdentically();
    void aUtf8FileReadsAsUtf8AndIsWrittenBackAsWindows1252();
    void onlyALineWithoutWindows1252BytesIsWrittenAsUtf8();
    void windows1252TextThatWouldPassForUtf8IsWrittenAsUtf8();
    void everyLineEndIsRead_data();
    void everyLineEndIsRead();
    void namesMatchWithoutRegardToCaseAndNewEntriesGoToTheEnd();
    void blanksAtTheEdgesOfAValueSurviveARoundTrip();
    void longValuesAreCutTo2046Characters();
    void numbersBooleansAndSizesFollowTheStoredForm_data();
    void numbersBooleansAndSizesFollowTheStoredForm();
    void singlesAreWrittenInTheShortestPlainForm();
    void functionKeysSplitAtTheFirstSeparator();
    void writeIniStringCreatesAndUpdatesEntriesInTheFile();
    void hostileInputNeitherCrashesNorInventsEntries();
    void aTruncatedFileKeepsEveryCompleteEntry();
};

void TstIniFile::aWindowsFileWithByte149ReadsAndRewritesByteIdentically()
{
    const QByteArray windows(
        "[Comm_1]\r\nName=Caf\xE9 \x80 line\r\nF1=Home\x95HM\r\n\r\n[Setup]\r\nState=2\r\n");
    const IniFile ini = IniFile::fromBytes(windows);
    QCOMPARE(getIniString(ini, "Comm_1", "Name", {}), QString::fromUtf8("Café € line"));
    const FunctionKey key = getFuncKey(ini, "Comm_1", 1);
    QCOMPARE(key.label, QStringLiteral("Home"));
    QCOMPARE(key.command, QStringLiteral("HM"));
    QCOMPARE(ini.toBytes(), windows);
}

void TstIniFile::aUtf8FileReadsAsUtf8AndIsWrittenBackAsWindows1252()
{
    const QByteArray utf8 = QStringLiteral("\uFEFF[Comm_1]\nName=Café\nF1=Home\u2022HM\n").toUtf8();
    const IniFile ini = IniFile::fromBytes(utf8);
    QCOMPARE(getIniString(ini, "Comm_1", "Name", {}), QString::fromUtf8("Café"));
    QCOMPARE(getFuncKey(ini, "Comm_1", 1).command, QStringLiteral("HM"));
    QCOMPARE(ini.toBytes(), QByteArray("[Comm_1]\r\nName=Caf\xE9\r\nF1=Home\x95HM\r\n"));
}

void TstIniFile::onlyALineWithoutWindows1252BytesIsWrittenAsUtf8()
{
    IniFile ini;
    const QString path = QString::fromUtf8("/home/ωmega/программа.vxt");
    ini.setValue("LastOpened", "FILE0", path);
    ini.setValue("LastOpened", "FILE1", QString::fromUtf8("/home/café.vxt"));
    ini.setValue("Comm_1", "F1", QStringLiteral("Stop\u2022ST"));
    // The function key keeps its one-byte separator, so that a Windows workstation still reads it.
    const QByteArray bytes = ini.toBytes();
    QCOMPARE(bytes, "[LastOpened]\r\nFILE0=" + path.toUtf8() +
                        "\r\nFILE1=/home/caf\xE9.vxt\r\n\r\n[Comm_1]\r\nF1=Stop\x95ST\r\n");
    const IniFile back = IniFile::fromBytes(bytes);
    QCOMPARE(getIniString(back, "LastOpened", "FILE0", {}), path);
    QCOMPARE(getIniString(back, "LastOpened", "FILE1", {}), QString::fromUtf8("/home/café.vxt"));
    const FunctionKey key = getFuncKey(back, "Comm_1", 1);
    QCOMPARE(key.label, QStringLiteral("Stop"));
    QCOMPARE(key.command, QStringLiteral("ST"));
    QCOMPARE(back.toBytes(), bytes);
}

void TstIniFile::windows1252TextThatWouldPassForUtf8IsWrittenAsUtf8()
{
    IniFile ini;
    const QString tricky = QString::fromUtf8("Ã© and Â»");
    ini.setValue("S", "Name", tricky);
    QCOMPARE(IniFile::fromBytes(ini.toBytes()).value("S", "Name"), std::optional<QString>(tricky));
    ini.setValue("S", "Name", QString::fromUtf8("Ã"));
    QCOMPARE(ini.toBytes(), QByteArray("[S]\r\nName=\xC3\r\n"));
}

void TstIniFile::everyLineEndIsRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("LF") << QByteArray("[S]\nA=1\nB=two\n\n[T]\nC=3");
    QTest::newRow("CR LF") << QByteArray("[S]\r\nA=1\r\nB=two\r\n\r\n[T]\r\nC=3\r\n");
    QTest::newRow("CR only") << QByteArray("[S]\rA=1\rB=two\r\r[T]\rC=3\r");
    QTest::newRow("mixed") << QByteArray("[S]\rA=1\nB=two\r\n\n\r[T]\n\rC=3");
}

void TstIniFile::everyLineEndIsRead()
{
    QFETCH(QByteArray, bytes);
    const IniFile ini = IniFile::fromBytes(bytes);
    QCOMPARE(ini.sectionNames(), (QStringList{"S", "T"}));
    QCOMPARE(ini.keys("S"), (QStringList{"A", "B"}));
    QCOMPARE(ini.value("S", "B"), std::optional<QString>(QStringLiteral("two")));
    QCOMPARE(ini.value("T", "C"), std::optional<QString>(QStringLiteral("3")));
    QCOMPARE(ini.toBytes(), QByteArray("[S]\r\nA=1\r\nB=two\r\n\r\n[T]\r\nC=3\r\n"));
}

void TstIniFile::namesMatchWithoutRegardToCaseAndNewEntriesGoToTheEnd()
{
    IniFile ini =
        IniFile::fromBytes("[SPI Configuration]\r\nvisible=-1\r\nPort=2\r\n\r\n[Setup]\r\nState=0\r\n");
    QCOMPARE(ini.value("spi configuration", "VISIBLE"), std::optional<QString>(QStringLiteral("-1")));
    ini.setValue("SPI CONFIGURATION", "Visible", "0");
    ini.setValue("spi configuration", "LastMsg", "hello");
    ini.setValue("BROWSER Settings", "Top", "10");
    // The stored spelling of an existing name stays; new names keep the caller's spelling.
    QCOMPARE(ini.toBytes(), QByteArray("[SPI Configuration]\r\nvisible=0\r\nPort=2\r\nLastMsg=hello\r\n\r\n"
                                       "[Setup]\r\nState=0\r\n\r\n[BROWSER Settings]\r\nTop=10\r\n"));

    // Beyond ASCII names match by their full case folding, also where a folded character is an ASCII one
    // (the Kelvin sign folds to "k"), whichever form the name is looked up in: Latin-1 like the program's
    // own key names, or UTF-16.
    IniFile names = IniFile::fromBytes(QStringLiteral("[\u00D6l Pumpe]\n\u00C9cran=1\nKey=2\n\u212Aelvin=3\n"
                                                      "\u00E9CRAN=ignored\n")
                                           .toUtf8());
    QCOMPARE(names.value(u"\u00F6L PUMPE", u"\u00E9cran"), std::optional<QString>(QStringLiteral("1")));
    QCOMPARE(names.value(u"\u00F6l pumpe", QLatin1StringView("\xC9"
                                                             "CRAN")),
             std::optional<QString>("1"));
    QCOMPARE(names.value(u"\u00D6l Pumpe", u"\u212Aey"), std::optional<QString>(QStringLiteral("2")));
    QCOMPARE(names.value(u"\u00D6l Pumpe", QLatin1StringView("KELVIN")), std::optional<QString>("3"));
    QVERIFY(!names.value(u"Ol Pumpe", u"\u00C9cran"));
    names.setValue(QStringLiteral("\u00F6L PUMPE"),
                   QLatin1StringView("\xE9"
                                     "cran"),
                   u"4");
    QCOMPARE(names.keys(u"\u00D6l Pumpe"), (QStringList{QStringLiteral("\u00C9cran"), "Key", "\u212Aelvin"}));
    QCOMPARE(names.value(u"\u00D6l Pumpe", u"\u00C9cran"), std::optional<QString>(QStringLiteral("4")));
}

void TstIniFile::blanksAtTheEdgesOfAValueSurviveARoundTrip()
{
    IniFile ini;
    ini.setValue("S", "Lead", "  send");
    ini.setValue("S", "Trail", "GO ");
    ini.setValue("S", "Quoted", "\"x\"");
    ini.setValue("S", "Blank", " ");
    ini.setValue("S", "Break", "two\nlines");
    ini.setVerbatim("S", "Bare", " ");
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    QCOMPARE(back.value("S", "Lead"), std::optional<QString>(QStringLiteral("  send")));
    QCOMPARE(back.value("S", "Trail"), std::optional<QString>(QStringLiteral("GO ")));
    QCOMPARE(back.value("S", "Quoted"), std::optional<QString>(QStringLiteral("\"x\"")));
    QCOMPARE(back.value("S", "Blank"), std::optional<QString>(QStringLiteral(" ")));
    QCOMPARE(back.value("S", "Break"), std::optional<QString>(QStringLiteral("two lines")));
    // Also a value set in a file that was read (in the place of a longer one) loses its line break.
    IniFile read = IniFile::fromBytes("[S]\r\nLong=a long value\r\n");
    read.setValue("s", "LONG", "x\ny");
    QCOMPARE(read.toBytes(), QByteArray("[S]\r\nLong=x y\r\n"));
    // A verbatim blank is stored bare and reads back empty, but present.
    QVERIFY(ini.toBytes().contains("\r\nBare= \r\n"));
    QCOMPARE(back.value("S", "Bare"), std::optional<QString>(QString()));
    // Blanks a person typed around names and values of a hand-edited file do not count.
    QCOMPARE(IniFile::fromBytes("  [ Setup ]  \n  Width =  100 \n").value("setup", "width"),
             std::optional<QString>(QStringLiteral("100")));
}

void TstIniFile::longValuesAreCutTo2046Characters()
{
    const QByteArray bytes = "[S]\nLong=" + QByteArray(5000, 'x') + "\nNext=1\n";
    const IniFile ini = IniFile::fromBytes(bytes);
    QCOMPARE(ini.value("S", "Long")->size(), 2046);
    QCOMPARE(ini.value("S", "Next"), std::optional<QString>(QStringLiteral("1")));
    const QByteArray exact = "[S]\nLong=" + QByteArray(2046, 'y') + "\n";
    QCOMPARE(IniFile::fromBytes(exact).value("S", "Long")->size(), 2046);
}

void TstIniFile::numbersBooleansAndSizesFollowTheStoredForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("asInt");
    QTest::addColumn<int>("asLong");
    QTest::addColumn<bool>("asBool");
    QTest::addColumn<float>("asSingle");
    // Defaults used below: int 7, long 9, bool true, single 4.5.
    QTest::newRow("empty") << "" << 0 << 0 << false << 0.0f;
    QTest::newRow("not a number") << "abc" << 0 << 0 << false << 0.0f;
    QTest::newRow("leading number") << " 12px" << 12 << 12 << true << 12.0f;
    QTest::newRow("true") << "-1" << -1 << -1 << true << -1.0f;
    QTest::newRow("low 16 bits zero") << "65536" << 7 << 65536 << false << 65536.0f;
    QTest::newRow("low 16 bits set") << "65537" << 7 << 65537 << true << 65537.0f;
    QTest::newRow("16-bit edges") << "-32768" << -32768 << -32768 << true << -32768.0f;
    QTest::newRow("beyond 16 bits") << "32768" << 7 << 32768 << true << 32768.0f;
    QTest::newRow("beyond 32 bits") << "99999999999" << 7 << 9 << true << 99999999999.0f;
    QTest::newRow("decimal") << "8.5" << 8 << 8 << true << 8.5f;
    QTest::newRow("plus sign") << "+3" << 3 << 3 << true << 3.0f;
}

void TstIniFile::numbersBooleansAndSizesFollowTheStoredForm()
{
    QFETCH(QString, text);
    const std::optional<QString> value = text;
    QTEST(int(iniToInt(value, 7)), "asInt");
    QTEST(int(iniToLong(value, 9)), "asLong");
    QTEST(iniToBool(value, true), "asBool");
    QTEST(iniToSingle(value, 4.5f), "asSingle");
    QCOMPARE(iniToInt(std::nullopt, 7), int16_t{7});
    QCOMPARE(iniToBool(std::nullopt, true), true);
    QCOMPARE(iniToSingle(std::nullopt, 4.5f), 4.5f);
}

void TstIniFile::singlesAreWrittenInTheShortestPlainForm()
{
    QCOMPARE(iniFromSingle(8.0f), QStringLiteral("8"));
    QCOMPARE(iniFromSingle(9.75f), QStringLiteral("9.75"));
    QCOMPARE(iniFromSingle(0.1f), QStringLiteral("0.1"));
    QCOMPARE(iniFromSingle(1e10f), QStringLiteral("10000000000"));
    for (const float f : {8.0f, 10.5f, 0.1f, 72.25f, 1e-5f, 123456.78f})
        QCOMPARE(iniToSingle(iniFromSingle(f), 0.0f), f);
    QCOMPARE(iniFromBool(true), QStringLiteral("-1"));
    QCOMPARE(iniFromBool(false), QStringLiteral("0"));
}

void TstIniFile::functionKeysSplitAtTheFirstSeparator()
{
    const QChar bullet(kFuncKeySeparator);
    QCOMPARE(splitFuncKey("Go" + QString(bullet) + "GO\t1").command, QStringLiteral("GO\t1"));
    QCOMPARE(splitFuncKey("Tab\tT" + QString(bullet) + "x").label, QStringLiteral("Tab"));
    QCOMPARE(splitFuncKey("Tab\tT" + QString(bullet) + "x").command, QString("T" + QString(bullet) + "x"));
    const FunctionKey none = splitFuncKey(u"no separator");
    QVERIFY(none.label.isEmpty() && none.command.isEmpty());
    QCOMPARE(joinFuncKey({"Run", "RUN^m"}), QString("Run" + QString(bullet) + "RUN^m"));
}

void TstIniFile::writeIniStringCreatesAndUpdatesEntriesInTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keys.ktm");
    QVERIFY(writeIniString(path, "Comm_1", "F1", joinFuncKey({"Home", "HM"})));
    QVERIFY(writeIniString(path, "Comm_1", "F2", "x"));
    QVERIFY(writeIniString(path, "comm_1", "f1", joinFuncKey({"Stop", "ST"})));
    QVERIFY(writeIniString(path, "Comm_2", "Rows", "40"));
    QCOMPARE(getFuncKey(path, "Comm_1", 1).label, QStringLiteral("Stop"));
    QCOMPARE(getIniInt(path, "Comm_2", "Rows", 32), int16_t{40});
    QCOMPARE(getIniLong(path, "Comm_2", "Width", 6720), 6720);
    QCOMPARE(getIniString(dir.filePath("missing.ktm"), "Comm_1", "Name", "Terminal1"),
             QStringLiteral("Terminal1"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Comm_1]\r\nF1=Stop\x95ST\r\nF2=x\r\n\r\n[Comm_2]\r\nRows=40\r\n"));
}

void TstIniFile::hostileInputNeitherCrashesNorInventsEntries()
{
    QRandomGenerator random(20261205);
    for (int round = 0; round < 200; ++round) {
        QByteArray garbage(random.bounded(1, 4000), Qt::Uninitialized);
        for (char &c : garbage)
            c = static_cast<char>(random.bounded(256));
        const IniFile ini = IniFile::fromBytes(garbage);
        // Whatever came out must be writable and read back the same.
        const QByteArray written = ini.toBytes();
        QCOMPARE(IniFile::fromBytes(written).toBytes(), written);
    }

    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += "[S" + QByteArray::number(i) + "]\nK=" + QByteArray::number(i) + "\n";
    const IniFile sections = IniFile::fromBytes(many);
    QCOMPARE(sections.sectionNames().size(), 10000);
    QCOMPARE(sections.value("s9999", "k"), std::optional<QString>(QStringLiteral("9999")));

    QByteArray odd("no section=1\n[\n[[]\n[Open\nA=1\n[S]\nno equals sign\n=empty key\n");
    odd += QByteArray("A\0B=1\nC=x\0y\n", 12);
    odd += "[S]\nC=second\n[s]\nD=4\n";
    const IniFile ini = IniFile::fromBytes(odd);
    QCOMPARE(ini.sectionNames(), (QStringList{"[", "S"}));
    QCOMPARE(ini.keys("["), QStringList());
    QCOMPARE(ini.keys("S"), (QStringList{QString::fromLatin1("A\0B", 3), "C", "D"}));
    QCOMPARE(ini.value("S", "C")->size(), 3);

    // One section of 100,000 keys (names that share long prefixes and differ in case only from a later
    // repeat) keeps each key once with its first value; lookups stay hashed, so this finishes at once.
    QByteArray huge("[Big]\n");
    for (int i = 0; i < 100000; ++i)
        huge += "Function_key_name_" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    for (int i = 0; i < 100000; i += 7)
        huge += "FUNCTION_KEY_NAME_" + QByteArray::number(i) + "=repeat\n";
    IniFile big = IniFile::fromBytes(huge);
    QCOMPARE(big.keys("big").size(), 100000);
    QCOMPARE(big.value("BIG", "function_key_name_99995"), std::optional<QString>(QStringLiteral("99995")));
    for (int i = 0; i < 100000; i += 997)
        big.setValue("Big", "FUNCTION_key_name_" + QString::number(i), QString::number(-i));
    QCOMPARE(big.keys("Big").size(), 100000);
    QCOMPARE(big.value("Big", "Function_key_name_997"), std::optional<QString>(QStringLiteral("-997")));
    QCOMPARE(IniFile::fromBytes(big.toBytes()).toBytes(), big.toBytes());

    const QByteArray oneLine = "[S]\nK=" + QByteArray(20 * 1024 * 1024, 'v');
    QCOMPARE(IniFile::fromBytes(oneLine).value("S", "K")->size(), 2046);
    QVERIFY(IniFile::fromBytes(QByteArray(20 * 1024 * 1024, '[')).isEmpty());
}

void TstIniFile::aTruncatedFileKeepsEveryCompleteEntry()
{
    const QByteArray full(
        "[Setup]\r\nState=0\r\nWidth=9000\r\n\r\n[Comm_1]\r\nName=Bench rig\r\nF1=Go\x95GO\r\n");
    const IniFile whole = IniFile::fromBytes(full);
    for (qsizetype cut = 0; cut <= full.size(); ++cut) {
        const IniFile part = IniFile::fromBytes(full.left(cut));
        for (const QString &section : part.sectionNames()) {
            for (const QString &key : part.keys(section)) {
                const QString value = *part.value(section, key);
                QVERIFY2(whole.value(section, key).value_or("\n").startsWith(value), qPrintable(key));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
