#include "praxistokenizer.h"

#include "editor/keywordtable.h"

#include <cstring>

namespace korvo {

namespace {
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isWordStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isWordChar(char c)
{
    return isWordStart(c) || isDigit(c);
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
} // namespace

void tokenizePraxis(const char *text, int length, const KeywordTable *keywords, uint8_t *styles)
{
    int i = 0;
    while (i < length) {
        const char c = text[i];
        int end = i + 1;
        uint8_t type = TokenText;
        if (isLineEnd(c) || c == ' ' || c == '\t') {
            styles[i++] = TokenText;
            continue;
        }
        if (c == '\'') {
            // Listing headers ("'[VARIABLES]") too: to the controller they are comments like any other.
            type = TokenComment;
            while (end < length && !isLineEnd(text[end]))
                ++end;
        } else if (c == '"') {
            type = TokenString;
            while (end < length && !isLineEnd(text[end]) && text[end] != '"')
                ++end;
            if (end < length && text[end] == '"')
                ++end;
        } else if (c == '0' && i + 2 < length && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
                   isHexDigit(text[i + 2])) {
            type = TokenHexNumber;
            end = i + 2;
            while (end < length && isHexDigit(text[end]))
                ++end;
        } else if (isDigit(c) || (c == '.' && i + 1 < length && isDigit(text[i + 1]))) {
            type = TokenNumber;
            while (end < length && isDigit(text[end]))
                ++end;
            if (c != '.' && end + 1 < length && text[end] == '.' && isDigit(text[end + 1])) {
                end += 2;
                while (end < length && isDigit(text[end]))
                    ++end;
            } else if (c == '.') {
                while (end < length && isDigit(text[end]))
                    ++end;
            }
        } else if (isWordStart(c)) {
            while (end < length && isWordChar(text[end]))
                ++end;
            type = keywords && keywords->contains(text + i, end - i) ? TokenKeyword : TokenText;
        } else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            type = TokenForeign;
        } else {
            type = TokenSymbol;
        }
        std::memset(styles + i, type, static_cast<size_t>(end - i));
        i = end;
    }
}

} // namespace korvo
