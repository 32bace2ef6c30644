#pragma once

// An upgrade engine wired to an in-process simulated controller in virtual time: what the engine writes
// reaches the controller at once (through the gateway filter on TCP, at the rate the engine set on serial),
// what the controller answers reaches the engine, and time jumps to the engine's next deadline when
// nothing else moves. Deterministic: no sleeps, no real clock.

#include "sim/controllersim.h"
#include "sim/gatewayfilter.h"
#include "sim/upgraderesponder.h"
#include "upgrade/upgradeengine.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace korvo {

struct UpgradeBench
{
    UpgradeBench(DeviceType device, UpgradeSimOptions simOptions, UpgradeOptions engineOptions = {})
        : sim(device), responder(sim, std::move(simOptions))
    {
        engineOptions.device = device;
        tcp = engineOptions.tcp;
        sim.setLineBaud(engineOptions.terminalSettings.section(u',', 0, 0).toInt());
        engine = std::make_unique<UpgradeEngine>(std::move(engineOptions));
        engine->start(now);
        pump();
    }

    // Exchanges bytes until both sides are quiet.
    void pump()
    {
        for (bool moved = true; moved;) {
            moved = false;
            for (const LinkAction &action : engine->takeOutput()) {
                moved = true;
                if (action.kind == LinkAction::Kind::SetSettings) {
                    settings << action.settings;
                    sim.setLineBaud(action.settings.section(u',', 0, 0).toInt());
                    continue;
                }
                wire += action.bytes;
                QByteArray bytes = action.bytes;
                if (tcp) {
                    bytes = gateway.feed(bytes);
                    if (const int baud = gateway.takeRateChange())
                        sim.setLineBaud(baud);
                }
                sim.receive(bytes);
            }
            const QByteArray answer = sim.takeOutput();
            if (!answer.isEmpty() && !silent) {
                moved = true;
                engine->bytesReceived(answer, now);
            }
            for (EngineEvent &event : engine->takeEvents()) {
                if (const auto *status = event.as<EngineEvent::Status>())
                    statuses << status->text;
                events.push_back(std::move(event));
            }
        }
    }

    // Runs until done() holds or no deadline is left; returns false if the limit passed first.
    bool runUntil(const std::function<bool()> &done, qint64 limitMs = 600'000)
    {
        pump();
        while (!done()) {
            const std::optional<qint64> deadline = engine->nextDeadline();
            if (!deadline || *deadline > limitMs)
                return false;
            now = std::max(now, *deadline);
            engine->timerFired(now);
            pump();
        }
        return true;
    }
    bool runUntilPhase(UpgradeEngine::Phase phase)
    {
        return runUntil([this, phase] { return engine->phase() == phase; });
    }
    // Step 7 then step 9, as the wizard's buttons call them.
    void establish(const UpgradeScan &scan)
    {
        engine->establish(now, scan);
        runUntil([this] { return engine->phase() != UpgradeEngine::Phase::Establishing; });
    }
    bool upgrade(const UpgradeScan &scan, DeviceType device)
    {
        if (!engine->upgrade(now, planUpgrade(scan, device), scan.totalBytes, engine->serialNumber(),
                             engine->typeNumber()))
            return false;
        return runUntil([this] { return engine->phase() != UpgradeEngine::Phase::Transferring; });
    }
    void close()
    {
        engine->close(now);
        runUntil([this] { return engine->isFinished(); });
    }
    // A new wizard on the same controller (after a failed run, say).
    void newEngine(UpgradeOptions options)
    {
        options.device = sim.device();
        engine = std::make_unique<UpgradeEngine>(std::move(options));
        engine->start(now);
        wire.clear();
        statuses.clear();
        pump();
    }
    // Records the engine wrote, in order (lines starting with ":" but not "::").
    QList<QByteArray> recordsSent() const
    {
        QList<QByteArray> out;
        for (const QByteArray &line : wire.split('\r'))
            if (line.startsWith(':') && !line.startsWith("::") && line != ":ZELInc")
                out << line;
        return out;
    }

    ControllerSim sim;
    UpgradeResponder responder;
    GatewayFilter gateway;
    std::unique_ptr<UpgradeEngine> engine;
    bool tcp = false;
    bool silent = false;
    qint64 now = 0;
    QByteArray wire;
    QStringList settings;
    QStringList statuses;
    std::vector<EngineEvent> events;
};

} // namespace korvo
