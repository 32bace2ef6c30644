#include "functionkeys/functionkeywalk.h"

#include <utility>

namespace korvo {

namespace {

constexpr int kSecondMs = 1000;
constexpr int kShortPauseMs = 50;
constexpr int kMaxCount = 32767;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// What a caret before a character that is no code sends: that character's code less 64, so "^M" is 13,
// "^[" 27 and "^a" 33. Below "@" that would be negative: the caret goes out as typed.
std::optional<char> controlCharacter(char code)
{
    const auto value = static_cast<unsigned char>(code);
    if (value >= '@')
        return char(value - '@');
    return std::nullopt;
}

} // namespace

FunctionKeyWalk::FunctionKeyWalk(Options options, Stopwatches &stopwatches)
    : m_options(std::move(options)), m_stopwatches(stopwatches)
{
}

void FunctionKeyWalk::start(qint64 nowMs)
{
    m_frames.push_back({m_options.key});
    notify(EngineEvent::KeyNotice::Kind::KeyStarted, m_options.key);
    step(nowMs);
}

void FunctionKeyWalk::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    // What comes back is the terminal's to show; the walk never waits for an answer.
    (void)data;
    (void)nowMs;
}

void FunctionKeyWalk::timerFired(qint64 nowMs)
{
    if (isFinished())
        return;
    if (m_state != State::Yielding && m_state != State::Pausing)
        return;
    clearDeadline();
    step(nowMs);
}

void FunctionKeyWalk::outputWritten(qint64 nowMs)
{
    if (!isFinished() && m_state == State::Sending)
        yieldNow(nowMs);
}

void FunctionKeyWalk::writeFailed(const QString &reason, qint64 nowMs)
{
    (void)nowMs;
    if (isFinished())
        return;
    while (!m_frames.empty())
        popFrame();
    fail(reason);
}

void FunctionKeyWalk::linkLost(const QString &reason, qint64 nowMs)
{
    // The walk is the line's dialogue now: the loss is reported as the reason it ended.
    writeFailed(reason, nowMs);
}

void FunctionKeyWalk::cancel(qint64 nowMs)
{
    (void)nowMs;
    end();
}

void FunctionKeyWalk::requestStop(qint64 nowMs)
{
    if (isFinished())
        return;
    m_stopRequested = true;
    // A character on its way out is let go first; a pause or a pending step ends here.
    if (m_state != State::Sending)
        step(nowMs);
}

void FunctionKeyWalk::step(qint64 nowMs)
{
    if (isFinished())
        return;
    clearDeadline();
    m_state = State::Idle;
    if (m_stopRequested) {
        end();
        return;
    }
    while (!m_frames.empty() && m_frames.back().pos >= m_options.contents[m_frames.back().key].size())
        popFrame();
    if (m_frames.empty()) {
        end();
        return;
    }
    Frame &frame = m_frames.back();
    const QByteArray &text = m_options.contents[frame.key];
    const qsizetype at = frame.pos++;
    const char c = text.at(at);
    if (c == '"') {
        frame.quoted = !frame.quoted;
        yieldNow(nowMs);
    } else if (frame.quoted || c != '^' || frame.pos >= text.size()) {
        sendChar(c);
    } else {
        runCode(text.at(frame.pos++), at, nowMs);
    }
}

void FunctionKeyWalk::runCode(char code, qsizetype codePos, qint64 nowMs)
{
    switch (code) {
    case '^':
        sendChar('^');
        return;
    case 'p':
        pause(nowMs, kSecondMs);
        return;
    case 'm':
        pause(nowMs, kShortPauseMs);
        return;
    case 'd':
        pause(nowMs, std::min(readNumber(), kMaxPauseMs));
        return;
    case 'r':
        repeat(codePos, readNumber(), nowMs);
        return;
    case 'c':
        notify(EngineEvent::KeyNotice::Kind::CaptureOn, m_frames.back().key);
        yieldNow(nowMs);
        return;
    case 'o':
        notify(EngineEvent::KeyNotice::Kind::CaptureOff, m_frames.back().key);
        yieldNow(nowMs);
        return;
    case 'f':
        pressKey(readNumber(), nowMs);
        return;
    case 't':
        // One digit only: "^t05" stops the stopwatch and sends "5".
        stopwatch(readDigit() != 0, nowMs);
        return;
    default:
        break;
    }
    if (const std::optional<char> control = controlCharacter(code)) {
        sendChar(*control);
        return;
    }
    // No code: both characters go out as they stand, one at a time.
    m_frames.back().pos--;
    sendChar('^');
}

void FunctionKeyWalk::sendChar(char c)
{
    sendPaced(QByteArray(1, c), m_options.lineEnd);
    m_state = State::Sending;
}

void FunctionKeyWalk::pause(qint64 nowMs, int ms)
{
    if (ms <= 0) {
        yieldNow(nowMs);
        return;
    }
    m_state = State::Pausing;
    setDeadline(nowMs + ms);
}

void FunctionKeyWalk::yieldNow(qint64 nowMs)
{
    m_state = State::Yielding;
    setDeadline(nowMs);
}

int FunctionKeyWalk::readNumber()
{
    Frame &frame = m_frames.back();
    const QByteArray &text = m_options.contents[frame.key];
    int value = 0;
    while (frame.pos < text.size() && isDigit(text.at(frame.pos)))
        value = std::min(value * 10 + (text.at(frame.pos++) - '0'), kMaxCount);
    return value;
}

int FunctionKeyWalk::readDigit()
{
    Frame &frame = m_frames.back();
    const QByteArray &text = m_options.contents[frame.key];
    if (frame.pos < text.size() && isDigit(text.at(frame.pos)))
        return text.at(frame.pos++) - '0';
    return 0;
}

void FunctionKeyWalk::repeat(qsizetype codePos, int count, qint64 nowMs)
{
    const size_t frameIndex = m_frames.size() - 1;
    const bool again =
        !m_levels.empty() && m_levels.back().frame == frameIndex && m_levels.back().codePos == codePos;
    if (again) {
        Level &level = m_levels.back();
        ++level.done;
        if (!level.endless)
            --level.remaining;
    } else if (count != 1 && int(m_levels.size()) < kMaxRepeatLevels) {
        m_levels.push_back({frameIndex, codePos, count - 1, 1, count == 0});
    } else {
        // A single pass, or one level more than the walk nests: nothing to repeat.
        yieldNow(nowMs);
        return;
    }
    const Level &level = m_levels.back();
    showRepeat(level);
    if (level.endless || level.remaining > 0) {
        Frame &frame = m_frames.back();
        frame.pos = 0;
        frame.quoted = false;
    } else {
        m_levels.pop_back();
    }
    yieldNow(nowMs);
}

void FunctionKeyWalk::showRepeat(const Level &level)
{
    QString text = QStringLiteral("F%1 - ").arg(m_frames[level.frame].key + 1);
    if (level.endless) {
        text += QStringLiteral("%1 - Continuous").arg(level.done);
    } else {
        for (const Level &each : m_levels)
            text += each.endless ? QStringLiteral(" C") : QStringLiteral(" %1").arg(each.remaining);
    }
    emitStatus(text);
}

void FunctionKeyWalk::pressKey(int number, qint64 nowMs)
{
    if (number < 1 || number > kKeys) {
        yieldNow(nowMs);
        return;
    }
    if (int(m_frames.size()) >= kMaxKeyDepth) {
        // A key that presses itself, directly or through others, would never end.
        emitStatus(QStringLiteral("F%1 - ^f%2 stopped: function keys nest more than %3 deep")
                       .arg(m_frames.back().key + 1)
                       .arg(number)
                       .arg(kMaxKeyDepth));
        end();
        return;
    }
    m_frames.push_back({number - 1});
    notify(EngineEvent::KeyNotice::Kind::KeyStarted, number - 1);
    yieldNow(nowMs);
}

void FunctionKeyWalk::stopwatch(bool on, qint64 nowMs)
{
    std::optional<qint64> &startedAt = m_stopwatches[size_t(m_frames.back().key)];
    if (on) {
        startedAt = nowMs;
        emitStatus(QStringLiteral("0.0 Sec"));
    } else {
        const qint64 elapsed = startedAt ? nowMs - *startedAt : 0;
        startedAt.reset();
        emitStatus(QString::number(double(elapsed) / 1000.0, 'f', 3) + QStringLiteral(" Sec"));
    }
    yieldNow(nowMs);
}

void FunctionKeyWalk::popFrame()
{
    const size_t index = m_frames.size() - 1;
    while (!m_levels.empty() && m_levels.back().frame >= index)
        m_levels.pop_back();
    notify(EngineEvent::KeyNotice::Kind::KeyEnded, m_frames.back().key);
    m_frames.pop_back();
}

void FunctionKeyWalk::end()
{
    if (isFinished())
        return;
    while (!m_frames.empty())
        popFrame();
    m_state = State::Idle;
    finish();
}

} // namespace korvo
