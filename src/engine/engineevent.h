#pragma once

// What an engine tells its owner (window, korvo-cli, a test), as one typed event per thing said. Owners
// pick what they want with as<T>() or std::visit over payload(); engines build one from its payload.

#include "app/prompt.h"

#include <QByteArray>
#include <QString>
#include <type_traits>
#include <variant>

namespace korvo {

// The CAN configuration exchange's word to its window: what to show, and the message boxes it asks for.
struct CanEvent
{
    enum class Kind {
        Online,       // "Communicating"
        Offline,      // "No Communications": the stored record is shown
        FieldsLoaded, // fields() changed: show the pages again
        Idle,         // the action in progress ended; buttons may be used again
        Notice,       // a message box (waits: the exchange holds until promptAnswered)
        Closed,       // the window may close
    };
    Kind kind = Kind::Idle;
    PromptRequest notice;
    bool waits = false;

    bool operator==(const CanEvent &) const = default;
};

// One SPI message or byte as it went out and came back, for the SPI window's log.
struct SpiExchange
{
    QByteArray sent;
    QByteArray received;
    double messageMs = 0;
    qint64 atMs = 0; // when the exchange ended, on the engine's clock

    bool operator==(const SpiExchange &) const = default;
};

// An SPI exchange that the SPI send engine asks its owner to carry out on the parallel port or converter.
struct SpiRequest
{
    enum class Kind { CheckVersion, Message, Char };
    Kind kind = Kind::Message;
    QByteArray bytes;
    bool first = false; // Char: the first byte of the message (select the device)
    bool last = false;  // Char: the last byte (deselect it)

    bool operator==(const SpiRequest &) const = default;
};

class EngineEvent
{
public:
    // One line for the owner to store or show (listing line, log line); style is what the engine says the
    // line is (a colour, a direction), for owners that show lines differently.
    struct Line
    {
        QString text;
        int style = 0;
        bool operator==(const Line &) const = default;
    };
    // done of total, in the unit the engine documents (lines, records, bytes).
    struct Progress
    {
        qint64 done = 0;
        qint64 total = 0;
        bool operator==(const Progress &) const = default;
    };
    // A short state message ("Uploading Variables", "Waiting for echo").
    struct Status
    {
        QString text;
        bool operator==(const Status &) const = default;
    };
    // The job ended as it should; note is what the user should still be told (a section the device did
    // not answer), empty when there is nothing.
    struct Finished
    {
        QString note;
        bool operator==(const Finished &) const = default;
    };
    // Why the job ended otherwise; the engine stays failed.
    struct Failed
    {
        QString reason;
        bool operator==(const Failed &) const = default;
    };
    // A function key started or ended, or capture switched, while keys run.
    struct KeyNotice
    {
        enum class Kind { KeyStarted, KeyEnded, CaptureOn, CaptureOff };
        Kind kind = Kind::KeyStarted;
        int key = 0; // for KeyStarted and KeyEnded, 0..9
        bool operator==(const KeyNotice &) const = default;
    };

    using Payload =
        std::variant<Line, Progress, Status, Finished, Failed, KeyNotice, CanEvent, SpiExchange, SpiRequest>;

    // Every payload is an event as it stands, so engines and tests write the payload alone.
    template <typename T>
    requires std::is_constructible_v<Payload, T> EngineEvent(T payload) : m_payload(std::move(payload)) {}

    template <typename T> const T *as() const { return std::get_if<T>(&m_payload); }
    template <typename T> bool is() const { return std::holds_alternative<T>(m_payload); }
    // Finished or Failed: nothing follows.
    bool ends() const { return is<Finished>() || is<Failed>(); }
    const Payload &payload() const { return m_payload; }

    bool operator==(const EngineEvent &) const = default;

private:
    Payload m_payload;
};

} // namespace korvo
