#pragma once

// Runs a CAN configuration engine against the simulated CAN devices in memory, on virtual time: the
// engine's writes and rate changes reach the simulator (through the gateway's filter for TCP), every
// reply comes back cut in two at a chosen offset, and time jumps to the engine's deadline whenever
// nothing else is pending. Waiting notices are answered at once and recorded.

#include "can/canconfigengine.h"
#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/gatewayfilter.h"

#include <QStringList>

namespace korvo {

class CanSimRig
{
public:
    explicit CanSimRig(CanResponder::Kind kind, int ownBaud = 9600) : responder(kind)
    {
        responder.attach(sim);
        sim.setOwnBaud(ownBaud);
        sim.setLineBaud(9600);
    }

    // The whole transcript of the program's side.
    QByteArray sent;
    QStringList notices;
    QStringList statuses;
    bool online = false;
    bool closed = false;
    bool vanished = false;
    qint64 now = 0;
    int cut = 0; // each reply is delivered as its first cut bytes, then the rest
    bool tcp = false;

    ControllerSim sim;
    CanResponder responder;

    void vanishAfter(int requests)
    {
        responder.setVanishAfter(requests, [this] { vanished = true; });
    }

    // Steps until the engine waits for nothing but a button (or has ended); false on a runaway loop.
    bool run(CanConfigEngine &engine, qint64 limitMs = 120'000)
    {
        for (int guard = 0; guard < 100'000; ++guard) {
            if (collect(engine))
                continue; // an answered prompt moves the engine on
            if (deliverOutput(engine))
                continue;
            if (vanished) {
                vanished = false;
                m_gone = true;
                engine.linkLost(QStringLiteral("Input/output error"), now);
                continue;
            }
            const QByteArray reply = m_gone ? QByteArray() : sim.takeOutput();
            if (!reply.isEmpty()) {
                const qsizetype at = std::min<qsizetype>(cut, reply.size());
                engine.bytesReceived(reply.left(at), now);
                engine.bytesReceived(reply.mid(at), now);
                continue;
            }
            const std::optional<qint64> deadline = engine.nextDeadline();
            if (!deadline)
                return true;
            if (*deadline > limitMs)
                return false;
            now = std::max(now, *deadline);
            engine.timerFired(now);
        }
        return false;
    }

private:
    bool deliverOutput(CanConfigEngine &engine)
    {
        const std::vector<LinkAction> actions = engine.takeOutput();
        for (const LinkAction &action : actions) {
            if (action.kind == LinkAction::Kind::SetSettings) {
                sim.setLineBaud(action.settings.section(u',', 0, 0).toInt());
                sent += "<" + action.settings.toLatin1() + ">";
                continue;
            }
            sent += action.bytes;
            if (m_gone)
                continue;
            QByteArray bytes = action.bytes;
            if (tcp) {
                bytes = m_gateway.feed(bytes);
                if (const int rate = m_gateway.takeRateChange())
                    sim.setLineBaud(rate);
            }
            sim.receive(bytes);
        }
        return !actions.empty();
    }

    bool collect(CanConfigEngine &engine)
    {
        bool answered = false;
        for (const EngineEvent &event : engine.takeEvents()) {
            if (const auto *status = event.as<EngineEvent::Status>())
                statuses.append(status->text);
            const CanEvent *can = event.as<CanEvent>();
            if (!can)
                continue;
            switch (can->kind) {
            case CanEvent::Kind::Notice:
                notices.append(can->notice.text);
                if (can->waits) {
                    engine.promptAnswered(now);
                    answered = true;
                }
                break;
            case CanEvent::Kind::Online:
                online = true;
                break;
            case CanEvent::Kind::Offline:
                online = false;
                break;
            case CanEvent::Kind::Closed:
                closed = true;
                break;
            default:
                break;
            }
        }
        return answered;
    }

    GatewayFilter m_gateway;
    bool m_gone = false;
};

} // namespace korvo
