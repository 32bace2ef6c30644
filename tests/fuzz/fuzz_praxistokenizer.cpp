// Any bytes get one known token type each, and colouring a text whole gives the same as colouring it
// line by line, which the editor relies on when it re-colours only the lines that changed.

#include "editor/keywordtable.h"
#include "editor/praxistokenizer.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace korvo;

namespace {
// Built once: the keyword list is set-up, not input.
const KeywordTable &keywords()
{
    static const KeywordTable table = [] {
        KeywordTable t;
        t.parse("move\nhome\nlb\npg\nend\nbranch\nif\nthen\nva\npr\n", nullptr);
        return t;
    }();
    return table;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    const int length = static_cast<int>(size);
    std::vector<uint8_t> whole(size);
    tokenizePraxis(text, length, &keywords(), whole.data());
    std::vector<uint8_t> byLine(size);
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i == length || text[i] == '\r' || text[i] == '\n') {
            const int end = i < length ? i + 1 : length;
            tokenizePraxis(text + start, end - start, &keywords(), byLine.data() + start);
            start = end;
        }
    }
    for (size_t i = 0; i < size; ++i) {
        if (whole[i] >= kPraxisTokenTypes || whole[i] != byLine[i])
            std::abort();
    }
    return 0;
}
