#include "gatewayfilter.h"

#include <utility>

namespace korvo {

namespace {
constexpr char kPrefix[] = "}02:";
constexpr int kPrefixLength = 4;
constexpr int kCommandLength = 6;
} // namespace

int GatewayFilter::baudOfCode(const QByteArray &code)
{
    static const std::pair<const char *, int> codes[] = {
        {"96", 9600}, {"19", 19200}, {"38", 38400}, {"57", 57600}, {"11", 115200},
        {"48", 4800}, {"24", 2400},  {"12", 1200},  {"30", 300},
    };
    for (const auto &[text, baud] : codes)
        if (code == text)
            return baud;
    return 0;
}

QByteArray GatewayFilter::feed(const QByteArray &bytes)
{
    QByteArray out;
    for (const char byte : bytes) {
        if (m_held.isEmpty()) {
            if (byte == kPrefix[0])
                m_held += byte;
            else
                out += byte;
            continue;
        }
        m_held += byte;
        const qsizetype n = m_held.size();
        const bool fits = n <= kPrefixLength ? byte == kPrefix[n - 1] : (byte >= '0' && byte <= '9');
        if (!fits) {
            // Not a gateway command after all: the held bytes belong to the device.
            const QByteArray held = std::exchange(m_held, QByteArray());
            out += held.left(held.size() - 1);
            const QByteArray rest = feed(held.right(1));
            out += rest;
            continue;
        }
        if (n == kCommandLength) {
            const int baud = baudOfCode(m_held.mid(kPrefixLength));
            if (baud > 0)
                m_rate = baud;
            else
                out += m_held;
            m_held.clear();
        }
    }
    return out;
}

} // namespace korvo
