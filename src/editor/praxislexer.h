#pragma once

// The Praxis colouring lexer of an edit window: styles only the range the editor asks for, with the
// keyword list and token styles of one language set.

#include "editor/languageset.h"

#include <Qsci/qscilexercustom.h>

#include <QColor>
#include <QFont>
#include <memory>

namespace korvo {

// A colour of the style table (0x00BBGGRR).
QColor styleColour(int32_t bgr);
// The font of a style entry; a family that is not installed falls back to the system's fixed-pitch font
// (the stored name is left as it is).
QFont editorFont(const QString &family, float size, bool bold, bool italic);

class PraxisLexer : public QsciLexerCustom
{
    Q_OBJECT
public:
    explicit PraxisLexer(QObject *parent = nullptr);

    // Takes the view parameters and token styles of styleSet and the keywords of keywordSet.
    void apply(const LanguageSet &styleSet, const LanguageSet &keywordSet);

    const char *language() const override;
    QString description(int style) const override;
    void styleText(int start, int end) override;

private:
    std::shared_ptr<const KeywordTable> m_keywords;
    QByteArray m_styles; // reused between calls
};

} // namespace korvo
