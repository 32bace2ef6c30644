#include "settings/foldedname.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace korvo {

namespace {

// Four UTF-16 units in one word; the bits that are set only in a unit beyond ASCII.
constexpr std::uint64_t kLanes = 0x0001000100010001u;
constexpr std::uint64_t kBeyondAscii = 0xFF80FF80FF80FF80u;

// Up to four characters from i on, one per 16-bit unit whatever the text's type; missing ones are zero.
std::uint64_t word(QStringView s, qsizetype i)
{
    std::uint64_t w = 0;
    const auto n = static_cast<std::size_t>(std::min<qsizetype>(4, s.size() - i));
    std::memcpy(&w, s.data() + i, sizeof(char16_t) * n);
    return w;
}

// Latin-1 bytes spread to the units where the same characters stand in UTF-16: each byte of the 32-bit
// word moves to twice its position, in either byte order.
std::uint64_t word(QLatin1StringView s, qsizetype i)
{
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, s.data() + i, static_cast<std::size_t>(std::min<qsizetype>(4, s.size() - i)));
    std::uint64_t w = bytes;
    w = (w | (w << 16)) & 0x0000FFFF0000FFFFu;
    return (w | (w << 8)) & 0x00FF00FF00FF00FFu;
}

// A word of ASCII units with 'A'..'Z' made lower case: a unit gets bit 0x80 from the first sum when it is
// at least 'A' and from the second when it is beyond 'Z'; no sum carries into the next unit.
std::uint64_t lowered(std::uint64_t w)
{
    const std::uint64_t fromA = w + kLanes * (0x80 - 'A');
    const std::uint64_t beyondZ = w + kLanes * (0x80 - 'Z' - 1);
    return w | ((fromA & ~beyondZ & (kLanes * 0x80)) >> 2);
}

// The hash of folded text; with foldAscii the text is folded here, which works only when it is ASCII.
template <typename Text> std::optional<std::size_t> wordHash(Text s, bool foldAscii)
{
    std::uint64_t h = 0xcbf29ce484222325u ^ static_cast<std::uint64_t>(s.size());
    for (qsizetype i = 0; i < s.size(); i += 4) {
        std::uint64_t w = word(s, i);
        if (foldAscii) {
            if (w & kBeyondAscii)
                return std::nullopt;
            w = lowered(w);
        }
        h = (h ^ w) * 0x9e3779b97f4a7c15u;
        h ^= h >> 29;
    }
    return static_cast<std::size_t>(h);
}

template <typename Text> bool sameFolding(QStringView a, Text b)
{
    return a.toString().toCaseFolded() == b.toString().toCaseFolded();
}

template <typename Text> std::size_t hashOf(Text name)
{
    if (const std::optional<std::size_t> h = wordHash(name, true))
        return *h;
    return *wordHash(QStringView(name.toString().toCaseFolded()), false);
}

// Up to the first word with a character beyond ASCII both names fold word by word, so a difference there
// decides; so does a different length when there is no such word (folding ASCII keeps the length).
template <typename Text> bool same(QStringView a, Text b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; i += 4) {
        const std::uint64_t wa = word(a.first(common), i);
        const std::uint64_t wb = word(b.first(common), i);
        if ((wa | wb) & kBeyondAscii)
            return sameFolding(a, b);
        if (lowered(wa) != lowered(wb))
            return false;
    }
    return a.size() == b.size() || sameFolding(a, b);
}

} // namespace

std::size_t foldedNameHash(QStringView name)
{
    return hashOf(name);
}

std::size_t foldedNameHash(QLatin1StringView name)
{
    return hashOf(name);
}

bool sameFoldedName(QStringView a, QStringView b)
{
    if (a.size() == b.size() &&
        (a.isEmpty() || std::memcmp(a.data(), b.data(), sizeof(char16_t) * a.size()) == 0))
        return true;
    return same(a, b);
}

bool sameFoldedName(QStringView a, QLatin1StringView b)
{
    return same(a, b);
}

} // namespace korvo
