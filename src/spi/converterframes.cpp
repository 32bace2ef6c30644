#include "spi/converterframes.h"

namespace korvo {

namespace {
// The number right after marker in text (its leading digits), or -1 when marker does not occur.
int numberAfter(const QByteArray &text, const QByteArray &marker)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return -1;
    int value = 0;
    for (qsizetype i = at + marker.size(); i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 99999)
            break;
    }
    return value;
}
} // namespace

QByteArray converterMessageFrame(const QByteArray &bytes)
{
    QByteArray frame;
    frame.reserve(bytes.size() + 5);
    frame += kDle;
    frame += kSoh;
    frame += char(bytes.size());
    frame += bytes;
    frame += kDle;
    frame += kEot;
    return frame;
}

QByteArray converterCommand(const QByteArray &command)
{
    return QByteArray(1, kEnq) + kStx + command + kEtx + kEot;
}

bool versionReplyComplete(const QByteArray &reply)
{
    if (reply.size() >= 2)
        return true;
    for (const char c : reply)
        if (c == '\r' || c == '\n' || c == kEtx || c == kEot)
            return true;
    return false;
}

bool converterVersionAccepted(const QByteArray &reply)
{
    const int major2 = numberAfter(reply, "2.");
    if (major2 >= 0)
        return major2 >= 2;
    return numberAfter(reply, "1.") >= 5;
}

} // namespace korvo
