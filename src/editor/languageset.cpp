#include "languageset.h"

#include "app/devicecatalogue.h"
#include "app/programfolders.h"

#include <QFileInfo>

namespace korvo {

namespace {
constexpr int kPlainEntry = 1;
constexpr int kProgramEntry = 2;
constexpr int32_t kWhite = 0xFFFFFF;

// Colour class of each token type in the program sets; -1 for the fixed colours.
constexpr std::array<int, kPraxisTokenTypes> kTokenClass = {0, -1, 2, 5, 5, 7, 3, 6, -1, -1, 4};

int setIndex(DeviceType device)
{
    switch (device) {
    case UKorvo:
        return 0;
    case Veltor:
        return 1;
    case Fendra:
        return 2;
    case Norbel:
        return 3;
    default:
        return 4;
    }
}

constexpr DeviceType kSetDevices[] = {UKorvo, Veltor, Fendra, Norbel, PlainText};

ViewParameters viewFor(const DocStyle &style)
{
    ViewParameters view;
    view.font = style.font;
    view.size = style.size;
    view.bold = style.bold[0];
    view.italic = style.italic[0];
    view.tab = style.tab;
    view.tabEnabled = style.tabEnabled;
    view.autoIndent = style.autoIndent;
    view.margin = style.margin;
    view.fore = style.fore[0];
    view.back = style.back[0];
    view.selectionFore = style.fore[1];
    view.selectionBack = style.back[1];
    return view;
}
} // namespace

int16_t getStyle(const DocStyles &styles, int entry, int colourClass)
{
    if (entry < 0 || entry >= static_cast<int>(styles.size()) || colourClass < 0 ||
        colourClass >= kColourClasses)
        return 0;
    const DocStyle &style = styles[entry];
    return static_cast<int16_t>((style.bold[colourClass] ? 1 : 0) | (style.italic[colourClass] ? 2 : 0));
}

LanguageSets::LanguageSets()
{
    for (int i = 0; i < 5; ++i) {
        m_sets[i].device = kSetDevices[i];
        m_sets[i].colouring = kSetDevices[i] != PlainText;
    }
}

const LanguageSet &LanguageSets::set(DeviceType device) const
{
    return m_sets[setIndex(device)];
}

bool LanguageSets::loadAll(const DocStyles &styles, const QString &programDir)
{
    bool failed = false;
    for (DeviceType device : kSetDevices)
        failed = loadKeyWords(device, styles, programDir) || failed;
    return failed;
}

bool LanguageSets::loadKeyWords(DeviceType device, const DocStyles &styles, const QString &programDir)
{
    LanguageSet &set = m_sets[setIndex(device)];
    const bool program = set.device != PlainText;
    const int entry = program ? kProgramEntry : kPlainEntry;
    const DocStyle &style = styles[entry];

    auto keywords = std::make_shared<KeywordTable>();
    bool failed = false;
    if (program) {
        const QString path = dataFolder(programDir) + QLatin1Char('/') + deviceKeywordFile(set.device);
        if (QFileInfo::exists(path) && !keywords->load(path, nullptr))
            failed = true;
    }

    set.view = viewFor(style);
    for (int type = 0; type < kPraxisTokenTypes; ++type) {
        TokenStyle &token = set.tokens[type];
        const int colourClass = program ? kTokenClass[type] : 0;
        if (colourClass < 0) {
            token.fore = type == TokenForeign ? 0xFFFF00 : kWhite;
            token.back = kWhite;
            token.bold = token.italic = false;
            continue;
        }
        token.fore = style.fore[colourClass];
        token.back = style.back[colourClass];
        const int16_t boldItalic = program ? getStyle(styles, entry, colourClass) : 0;
        token.bold = boldItalic & 1;
        token.italic = boldItalic & 2;
    }
    if (program) {
        set.tokens[TokenSpecial].bold = true;
        set.tokens[TokenSpecial].italic = true;
    }
    // A file that failed keeps the set usable without keywords.
    set.keywords = failed ? std::make_shared<KeywordTable>() : std::move(keywords);
    return failed;
}

} // namespace korvo
