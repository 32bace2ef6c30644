// Keyword lists and colouring: what each token of a Praxis program is styled as, where the styles come
// from, and how damaged or missing keyword files are handled.

#include "editor/editwindow.h"
#include "editor/languageset.h"
#include "editor/praxislexer.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "ui/filedialogs.h"

#include <Qsci/qsciscintilla.h>

#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// One letter per style for each byte of a line (without its line end), after colouring the whole text:
// t text, s symbol, N number, H hex number, X section header, c comment, S string, f foreign, K keyword.
QString lineStyles(QsciScintilla *editor, int line)
{
    static const char letters[] = "t.sNHXcS?fK";
    editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    const long start = editor->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line);
    const long end = editor->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
    QString map;
    for (long i = start; i < end; ++i)
        map.append(QLatin1Char(letters[editor->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, i) % 11]));
    return map;
}
} // namespace

class TstPraxisColouring : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void aVeltorProgramIsColouredTokenByToken();
    void tokenStylesFollowTheProgramStyleEntry();
    void withoutItsKeywordFileALanguageStillColoursCommentsAndStrings();
    void damagedKeywordFilesMakeLoadingFail_data();
    void damagedKeywordFilesMakeLoadingFail();
    void onlyTheRangeTheEditorAsksForIsStyled();

private:
    EditWindow *openProgram(const QString &name, const QByteArray &content);
    Preferences m_prefs; // the style table and the windows' slots
    QString m_programDir;
    ScriptedPrompt m_prompt;
    IdleCommandHost m_host;
    LanguageSets m_languages;
    QTemporaryDir m_dir;
    QList<EditWindow *> m_windows;
};

void TstPraxisColouring::init()
{
    m_prefs = Preferences{};
    m_programDir = qEnvironmentVariable("KORVO_BIN_DIR");
    m_languages = LanguageSets{};
    QVERIFY(!m_languages.loadAll(m_prefs.styles, m_programDir));
}

void TstPraxisColouring::cleanup()
{
    qDeleteAll(m_windows);
    m_windows.clear();
}

EditWindow *TstPraxisColouring::openProgram(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    writeAll(path, content);
    m_prefs.ensureEditSlot(1);
    m_prefs.editSlots[1] = m_prefs.editSlots[0];
    auto *window =
        new EditWindow(1, m_prefs.editSlots[1], {m_prefs.setup, m_prefs.styles, m_languages, m_programDir},
                       realFileDialogs(), m_prompt, m_host);
    m_windows.append(window);
    window->openEditFile(path);
    return window;
}

void TstPraxisColouring::aVeltorProgramIsColouredTokenByToken()
{
    EditWindow *window = openProgram(QStringLiteral("snippet.vxt"), "'[PROGRAMS]\r\n"
                                                                    "PG 100\r\n"
                                                                    "  MOVE 2.5 ' go\r\n"
                                                                    "  pr \"at \x80\",0x1F\r\n"
                                                                    "  myvar=12\r\n");
    QsciScintilla *editor = window->editor();
    // A listing header is a comment like every line that starts with an apostrophe.
    QCOMPARE(lineStyles(editor, 0), QStringLiteral("ccccccccccc"));
    QCOMPARE(lineStyles(editor, 1), QStringLiteral("KKtNNN"));
    // "MOVE" in upper case is still the keyword "move"; the comment runs to the line end.
    QCOMPARE(lineStyles(editor, 2), QStringLiteral("ttKKKKtNNNtcccc"));
    // The euro sign takes three bytes in the editor's buffer, all of them string.
    QCOMPARE(lineStyles(editor, 3), QStringLiteral("ttKKtSSSSSSSSsHHHH"));
    QCOMPARE(lineStyles(editor, 4), QStringLiteral("tttttttsNN"));
}

void TstPraxisColouring::tokenStylesFollowTheProgramStyleEntry()
{
    DocStyle &program = m_prefs.styles[2];
    program.fore[4] = 0x0000FF; // keywords red
    program.fore[3] = 0x00FF00; // comments green
    program.back[6] = 0xEEEEEE; // strings on grey
    program.bold[4] = true;     // bold keywords
    program.italic[3] = true;   // italic comments
    program.bold[7] = false;    // special: bold italic whatever the class says
    program.italic[7] = false;
    QVERIFY(!m_languages.loadKeyWords(UKorvo, m_prefs.styles, m_programDir));
    QVERIFY(!m_languages.loadKeyWords(Veltor, m_prefs.styles, m_programDir));
    QCOMPARE(getStyle(m_prefs.styles, 2, 4), int16_t(1));
    QCOMPARE(getStyle(m_prefs.styles, 2, 3), int16_t(2));

    EditWindow *window = openProgram(QStringLiteral("styles.vxt"), "home\r\n");
    QsciLexer *lexer = window->editor()->lexer();
    QVERIFY(lexer);
    QCOMPARE(lexer->color(TokenKeyword), QColor(255, 0, 0));
    QVERIFY(lexer->font(TokenKeyword).bold());
    QCOMPARE(lexer->color(TokenComment), QColor(0, 255, 0));
    QVERIFY(lexer->font(TokenComment).italic());
    QVERIFY(!lexer->font(TokenComment).bold());
    QCOMPARE(lexer->paper(TokenString), QColor(0xEE, 0xEE, 0xEE));
    QVERIFY(lexer->font(TokenSpecial).bold() && lexer->font(TokenSpecial).italic());
    QCOMPARE(lexer->color(TokenSymbol), styleColour(program.fore[2]));

    // Whatever fonts the machine has, a missing family makes the editor ask for a fixed-pitch face (which
    // face answers depends on the machine); the stored name stays.
    const QFont fallback = editorFont(QStringLiteral("No Such Family 7F3A"), 9, true, false);
    QVERIFY(fallback.fixedPitch());
    QCOMPARE(fallback.styleHint(), QFont::TypeWriter);
    QCOMPARE(fallback.pointSizeF(), 9.0);
    QVERIFY(fallback.bold());
    if (!QFontDatabase::hasFamily(program.font))
        QCOMPARE(lexer->font(TokenText).family(), fallback.family());
    QCOMPARE(m_prefs.styles[2].font, QStringLiteral("Courier New"));
}

void TstPraxisColouring::withoutItsKeywordFileALanguageStillColoursCommentsAndStrings()
{
    m_programDir = m_dir.path(); // holds no keyword file
    QVERIFY(!m_languages.loadKeyWords(Veltor, m_prefs.styles, m_programDir));
    EditWindow *window = openProgram(QStringLiteral("bare.vxt"), "move \"s\" ' c\r\n");
    QCOMPARE(lineStyles(window->editor(), 0), QStringLiteral("tttttSSStccc"));
}

void TstPraxisColouring::damagedKeywordFilesMakeLoadingFail_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("fails");
    QTest::newRow("comments, blanks and CR LF are fine")
        << QByteArray("# list\r\n\r\n  move  \r\nR1\n") << false;
    QTest::newRow("NUL byte") << QByteArray("move\0home\n", 10) << true;
    QTest::newRow("control character") << QByteArray("mo\x07ve\n") << true;
    QTest::newRow("two words on a line") << QByteArray("move home\n") << true;
    QTest::newRow("punctuation") << QByteArray("pr,\n") << true;
    QTest::newRow("starts with a digit") << QByteArray("1st\n") << true;
    QTest::newRow("byte above 127") << QByteArray("h\xE9me\n") << true;
    // Found by fuzz_keywordtable: a word this long used to be accepted and then never matched.
    QTest::newRow("longer than any keyword") << QByteArray("move\n" + QByteArray(65, 'x') + "\n") << true;
    QTest::newRow("as long as a keyword may be")
        << QByteArray("move\n" + QByteArray(64, 'x') + "\n") << false;
}

void TstPraxisColouring::damagedKeywordFilesMakeLoadingFail()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, fails);
    writeAll(m_dir.filePath(QStringLiteral("FENDRA_ALL.rw")), content);
    QCOMPARE(m_languages.loadKeyWords(Fendra, m_prefs.styles, m_dir.path()), fails);
    QVERIFY(m_languages.set(Fendra).keywords);
    QCOMPARE(m_languages.set(Fendra).keywords->contains(QStringLiteral("MOVE")), !fails);
}

void TstPraxisColouring::onlyTheRangeTheEditorAsksForIsStyled()
{
    QByteArray program;
    for (int n = 0; n < 20000; ++n)
        program += "  move 100 ' step " + QByteArray::number(n) + "\r\n";
    EditWindow *window = openProgram(QStringLiteral("long.vxt"), program);
    window->resize(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->editor()->repaint();
    const long styled = window->editor()->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
    QVERIFY(styled > 0);
    QVERIFY2(styled < program.size() / 10, qPrintable(QString::number(styled)));
}

QTEST_MAIN(TstPraxisColouring)
#include "tst_praxiscolouring.moc"
