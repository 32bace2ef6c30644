#include "tools/carettext.h"

#include <algorithm>

namespace korvo {

namespace {

void addBytes(std::vector<CaretStep> &steps, const QByteArray &bytes)
{
    if (!steps.empty() && steps.back().pauseMs == 0)
        steps.back().bytes += bytes;
    else
        steps.push_back({bytes, 0});
}

void addPause(std::vector<CaretStep> &steps, int ms)
{
    if (ms > 0)
        steps.push_back({{}, ms});
}

} // namespace

std::vector<CaretStep> parseCaretText(const QByteArray &text)
{
    std::vector<CaretStep> steps;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '^' || i + 1 >= text.size()) {
            addBytes(steps, QByteArray(1, c));
            continue;
        }
        const char code = text.at(++i);
        if (code == 'p') {
            addPause(steps, 1000);
        } else if (code == 'm') {
            addPause(steps, 50);
        } else if (code == 'd') {
            qint64 ms = 0;
            while (i + 1 < text.size() && text.at(i + 1) >= '0' && text.at(i + 1) <= '9') {
                ms = std::min<qint64>(ms * 10 + (text.at(++i) - '0'), kMaxCaretPauseMs);
            }
            addPause(steps, int(ms));
        } else if (code == '^') {
            addBytes(steps, "^");
        } else if (code >= '@' && code <= '_') {
            addBytes(steps, QByteArray(1, char(code - 64)));
        } else {
            // Not an escape: the caret is an ordinary character and the next one is read again.
            addBytes(steps, "^");
            --i;
        }
    }
    return steps;
}

} // namespace korvo
