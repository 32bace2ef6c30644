#pragma once

// Splits Praxis program text into the token types that the editor colours; works on the editor's
// bytes one line at a time, because no Praxis token runs past the end of its line.

#include <cstdint>

namespace korvo {

class KeywordTable;

// Token types; the numbers are also the editor's style numbers.
enum PraxisToken : uint8_t {
    TokenText = 0,      // names that are not keywords, blanks, line ends
    TokenLineEnd = 1,   // reserved: fixed white
    TokenSymbol = 2,    // operators and punctuation
    TokenNumber = 3,    // decimal numbers, with or without a fraction
    TokenHexNumber = 4, // 0x1F
    TokenSpecial = 5,   // styled from the special class; no Praxis text is given it
    TokenComment = 6,   // from an apostrophe to the end of the line
    TokenString = 7,    // double-quoted text, closed at the line end when unterminated
    TokenUnused8 = 8,
    TokenForeign = 9,  // control characters and non-ASCII bytes outside strings and comments
    TokenKeyword = 10, // a word of the family's keyword list
};
constexpr int kPraxisTokenTypes = 11;

// Writes one token type per byte of text[0..length) into styles; text may hold several lines.
// Without a keyword table no word is a keyword.
void tokenizePraxis(const char *text, int length, const KeywordTable *keywords, uint8_t *styles);

} // namespace korvo
