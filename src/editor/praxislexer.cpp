#include "praxislexer.h"

#include "ui/fontfallback.h"

#include <Qsci/qsciscintilla.h>

#include <QHash>

namespace korvo {

QColor styleColour(int32_t bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QFont editorFont(const QString &family, float size, bool bold, bool italic)
{
    // Asking the font database whether a family exists goes through fontconfig's substitution every time,
    // and a workspace asks for the same family a dozen times per editor: the answer is kept per family.
    static QHash<QString, QFont> resolved;
    auto known = resolved.constFind(family);
    if (known == resolved.cend()) {
        known = resolved.insert(family, installedOrFixedPitch(family));
    }
    QFont font = *known;
    font.setPointSizeF(size > 0 ? size : 8.0);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

PraxisLexer::PraxisLexer(QObject *parent) : QsciLexerCustom(parent) {}

void PraxisLexer::apply(const LanguageSet &styleSet, const LanguageSet &keywordSet)
{
    m_keywords = keywordSet.keywords;
    const ViewParameters &view = styleSet.view;
    setDefaultColor(styleColour(view.fore));
    setDefaultPaper(styleColour(view.back));
    setDefaultFont(editorFont(view.font, view.size, view.bold, view.italic));
    for (int type = 0; type < kPraxisTokenTypes; ++type) {
        const TokenStyle &token = styleSet.tokens[type];
        setColor(styleColour(token.fore), type);
        setPaper(styleColour(token.back), type);
        setFont(editorFont(view.font, view.size, token.bold, token.italic), type);
    }
}

const char *PraxisLexer::language() const
{
    return "Praxis";
}

QString PraxisLexer::description(int style) const
{
    switch (style) {
    case TokenText:
        return QStringLiteral("Text");
    case TokenLineEnd:
        return QStringLiteral("Line end");
    case TokenSymbol:
        return QStringLiteral("Symbol");
    case TokenNumber:
        return QStringLiteral("Number");
    case TokenHexNumber:
        return QStringLiteral("Hexadecimal number");
    case TokenSpecial:
        return QStringLiteral("Special");
    case TokenComment:
        return QStringLiteral("Comment");
    case TokenString:
        return QStringLiteral("String");
    case TokenForeign:
        return QStringLiteral("Foreign character");
    case TokenKeyword:
        return QStringLiteral("Keyword");
    default:
        return QString();
    }
}

void PraxisLexer::styleText(int start, int end)
{
    QsciScintilla *ed = editor();
    if (!ed || end <= start)
        return;
    const int length = end - start;
    // A direct view of the editor's buffer: no copy of the text per call.
    const auto *text = reinterpret_cast<const char *>(
        ed->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, static_cast<unsigned long>(start),
                          static_cast<long>(length)));
    if (!text)
        return;
    m_styles.resize(length);
    tokenizePraxis(text, length, m_keywords.get(), reinterpret_cast<uint8_t *>(m_styles.data()));
    startStyling(start);
    ed->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, static_cast<uintptr_t>(length),
                      m_styles.constData());
}

} // namespace korvo
