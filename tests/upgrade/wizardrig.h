#pragma once

// The upgrade wizard's test rig: a terminal's link on fake serial and socket links whose far end is the
// simulated controller (through the gateway filter on TCP), in the fake clock's time.

#include "fakeclock.h"
#include "link/commlink.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"

#include "fakelinks.h"
#include "sim/controllersim.h"
#include "sim/gatewayfilter.h"
#include "sim/upgraderesponder.h"
#include "upgrade/upgradewizard.h"

#include <functional>
#include <memory>

namespace korvo {

// A terminal's link with the simulated controller at the far end of its serial line.
struct WizardRig
{
    WizardRig(DeviceType device, UpgradeSimOptions options) : sim(device), responder(sim, std::move(options))
    {
        settings.device = device;
        settings.portName = QStringLiteral("/dev/ttyFAKE0");
        settings.settings = QStringLiteral("9600,N,8,1");
        prompt = std::make_unique<ScriptedPrompt>();
    }

    // Carries bytes both ways until the line is quiet.
    void settle()
    {
        if (settings.tcpipEnabled) {
            settleGateway();
            return;
        }
        for (bool moved = true; moved;) {
            moved = false;
            FakeSerialLink *serial = factory.serial;
            if (!serial)
                return;
            for (; taken < serial->writes.size(); ++taken) {
                sim.setLineBaud(serial->lastSettings.section(u',', 0, 0).toInt());
                sim.receive(serial->writes.at(taken).bytes);
                moved = true;
            }
            const QByteArray answer = sim.takeOutput();
            if (!answer.isEmpty() && serial->isOpen()) {
                serial->deliver(answer);
                moved = true;
            }
        }
    }
    // Through the TCP gateway: its rate commands set the controller's line, the rest reaches the controller.
    void settleGateway()
    {
        for (bool moved = true; moved;) {
            moved = false;
            FakeSocketLink *socket = factory.socket;
            if (!socket)
                return;
            for (; taken < socket->writes.size(); ++taken) {
                const QByteArray bytes = gateway.feed(socket->writes.at(taken).bytes);
                if (const int baud = gateway.takeRateChange())
                    sim.setLineBaud(baud);
                sim.receive(bytes);
                moved = true;
            }
            const QByteArray answer = sim.takeOutput();
            if (!answer.isEmpty() && socket->isOpen()) {
                socket->deliver(answer);
                moved = true;
            }
        }
    }
    // Runs virtual time until done() or nothing is left to wait for.
    bool runUntil(const std::function<bool()> &done, qint64 limitMs = 600'000)
    {
        settle();
        for (qint64 spent = 0; !done(); settle()) {
            const qint64 next = clock.nextDeadline();
            if (next < 0 || spent > limitMs)
                return false;
            spent += next - clock.nowMs();
            clock.advance(std::max<qint64>(0, next - clock.nowMs()));
        }
        return true;
    }

    std::unique_ptr<UpgradeWizard> wizard(const QString &file, bool factoryMode = false)
    {
        auto w = std::make_unique<UpgradeWizard>(
            link, factoryMode,
            [this, file]() -> std::optional<QString> {
                ++chooserCalls;
                return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
            },
            *prompt);
        w->show();
        settle();
        return w;
    }

    FakeClock clock;
    CommWindowSettings settings;
    FakeLinkFactory factory{clock};
    CommLink link{settings, clock, factory};
    ControllerSim sim;
    UpgradeResponder responder;
    GatewayFilter gateway;
    std::unique_ptr<ScriptedPrompt> prompt;
    qsizetype taken = 0;
    int chooserCalls = 0;
};

} // namespace korvo
