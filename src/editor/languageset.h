#pragma once

// The five editor language sets (uKorvo, Veltor, Fendra, NB, plain text): the view parameters, keyword
// list and token styles that an edit window applies for its file kind. Pure data, filled from the
// document style table and the keyword files in the program's folder.

#include "app/devicecatalogue.h"
#include "editor/keywordtable.h"
#include "editor/praxistokenizer.h"
#include "settings/preferences.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

namespace korvo {

// Colours are 0x00BBGGRR, as in the style table.
struct TokenStyle
{
    int32_t fore = 0;
    int32_t back = 0xFFFFFF;
    bool bold = false;
    bool italic = false;
};

struct ViewParameters
{
    QString font;
    float size = 8.0f;
    bool bold = false;
    bool italic = false;
    int tab = 2;
    bool tabEnabled = true;
    bool autoIndent = true;
    int32_t margin = 80;
    int32_t fore = 0;
    int32_t back = 0xFFFFFF;
    int32_t selectionFore = 0xFFFFFF;
    int32_t selectionBack = 0xC0C0C0;
};

struct LanguageSet
{
    DeviceType device = PlainText; // uKorvo, Veltor, Fendra, NB or plain text
    bool colouring = false;        // the plain-text set shows no colours
    ViewParameters view;
    std::array<TokenStyle, kPraxisTokenTypes> tokens{};
    // Shared with the lexers of open windows so that reloading never pulls a list from under them.
    std::shared_ptr<const KeywordTable> keywords;
};

using DocStyles = std::array<DocStyle, 3>;

// The five sets, in the order uKorvo, Veltor, Fendra, NB, plain text; empty until loaded.
class LanguageSets
{
public:
    LanguageSets();

    // The set used for a device type or file kind: 1, 4, 5, 6 their own, any other the plain-text set.
    const LanguageSet &set(DeviceType device) const;

    // Builds the set of a device type from the style table and its keyword file in the program's folder.
    // Returns true on FAILURE (an unreadable or invalid keyword file), false on success; a missing keyword
    // file is not a failure: that language is then coloured without keywords.
    bool loadKeyWords(DeviceType device, const DocStyles &styles, const QString &programDir);
    // All five sets; true when any keyword file failed.
    bool loadAll(const DocStyles &styles, const QString &programDir);

private:
    std::array<LanguageSet, 5> m_sets;
};

// Bit 0: the colour class of the style entry is bold; bit 1: it is italic.
int16_t getStyle(const DocStyles &styles, int entry, int colourClass);

} // namespace korvo
