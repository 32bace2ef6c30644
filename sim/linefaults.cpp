#include "sim/linefaults.h"

#include "sim/controllersim.h"

#include <algorithm>
#include <iterator>

namespace korvo {

namespace {
quint64 splitMix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

QByteArray hex(char byte)
{
    return QByteArray(1, byte).toHex().toUpper();
}
} // namespace

bool LineFaults::parseRates(const QString &spec, Settings *settings, QString *error)
{
    for (const QString &item : spec.split(u',', Qt::SkipEmptyParts)) {
        const QString key = item.section(u'=', 0, 0).trimmed();
        const QString value = item.section(u'=', 1).trimmed();
        bool ok = false;
        if (key == QLatin1String("seed")) {
            settings->seed = value.toULongLong(&ok);
        } else {
            double *rate = key == QLatin1String("drop")      ? &settings->drop
                           : key == QLatin1String("corrupt") ? &settings->corrupt
                           : key == QLatin1String("dup")     ? &settings->dup
                                                             : nullptr;
            if (!rate) {
                *error = QStringLiteral("unknown line fault \"%1\" (drop, corrupt, dup, seed)").arg(key);
                return false;
            }
            *rate = value.toDouble(&ok);
            ok = ok && *rate >= 0 && *rate <= 1;
        }
        if (!ok) {
            *error = QStringLiteral("bad value in line fault \"%1\"").arg(item);
            return false;
        }
    }
    if (settings->drop + settings->corrupt + settings->dup > 1) {
        *error = QStringLiteral("line fault rates add up to more than 1");
        return false;
    }
    return true;
}

LineFaults::LineFaults(const Settings &settings, Reporter reporter)
    : m_settings(settings), m_reporter(std::move(reporter))
{
}

void LineFaults::reopen()
{
    m_received = 0;
    std::fill(std::begin(m_reached), std::end(m_reached), false);
    m_stalled = false;
    m_hungUp = false;
}

QList<LineFaults::Piece> LineFaults::toDevice(const QByteArray &bytes)
{
    const qint64 after[] = {m_settings.resetAfter, m_settings.stallAfter, m_settings.hangupAfter};
    static constexpr Event events[] = {Event::Reset, Event::Stall, Event::Hangup};
    static constexpr const char *names[] = {"reset", "stall", "hangup"};
    QList<Piece> pieces;
    qsizetype taken = 0;
    while (!m_stalled && !m_hungUp) {
        // The first threshold not yet reached that these bytes reach.
        int next = -1;
        for (int i = 0; i < 3; ++i)
            if (!m_reached[i] && after[i] >= 0 && after[i] <= m_received + bytes.size() - taken &&
                (next < 0 || after[i] < after[next]))
                next = i;
        if (next < 0) {
            const QByteArray rest = bytes.mid(taken);
            m_received += rest.size();
            if (!rest.isEmpty())
                pieces.append({hit(rest, ToDevice), Event::None});
            break;
        }
        const qsizetype count = std::max<qint64>(0, after[next] - m_received);
        pieces.append({hit(bytes.mid(taken, count), ToDevice), events[next]});
        taken += count;
        m_received += count;
        m_reached[next] = true;
        m_stalled = events[next] == Event::Stall;
        m_hungUp = events[next] == Event::Hangup;
        report("fault " + QByteArray(names[next]) + " after " + QByteArray::number(m_received) + " bytes");
    }
    return pieces;
}

LineFaults::Event LineFaults::deliver(const QByteArray &bytes, ControllerSim &controller, const Sink &taken,
                                      const Sink &answer)
{
    for (const Piece &piece : toDevice(bytes)) {
        controller.receive(piece.bytes);
        if (taken)
            taken(piece.bytes);
        answer(controller.takeOutput());
        if (piece.after == Event::Reset)
            controller.powerCycle();
        else if (piece.after != Event::None)
            return piece.after;
    }
    return Event::None;
}

QByteArray LineFaults::toProgram(const QByteArray &bytes)
{
    return hit(bytes, ToProgram);
}

QByteArray LineFaults::hit(const QByteArray &bytes, Direction direction)
{
    const double total = m_settings.drop + m_settings.corrupt + m_settings.dup;
    if (total <= 0)
        return bytes;
    const QByteArray where = direction == ToDevice ? "fault to-device #" : "fault to-program #";
    const quint64 stream = splitMix(m_settings.seed * 2 + quint64(direction));
    QByteArray out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const qint64 position = m_position[direction]++;
        const quint64 draw = splitMix(stream ^ quint64(position));
        const double u = double(draw >> 11) * 0x1.0p-53;
        const QByteArray at = where + QByteArray::number(position);
        if (u < m_settings.drop) {
            report(at + " drop " + hex(byte));
        } else if (u < m_settings.drop + m_settings.corrupt) {
            // One bit flipped, as noise on a serial line does; the low bits of the draw pick which.
            const char corrupted = char(byte ^ (1 << (draw & 7)));
            report(at + " corrupt " + hex(byte) + '>' + hex(corrupted));
            out += corrupted;
        } else if (u < total) {
            report(at + " dup " + hex(byte));
            out += byte;
            out += byte;
        } else {
            out += byte;
        }
    }
    return out;
}

void LineFaults::report(const QByteArray &note)
{
    if (m_reporter)
        m_reporter(note);
}

} // namespace korvo
