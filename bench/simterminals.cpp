#include "simterminals.h"

#include "benchworkspace.h"

#include <QCoreApplication>
#include <cstdio>

namespace korvo::bench {

bool startStreamingSim(StreamingSim &sim, qint64 rate, const char *who)
{
    sim.process = std::make_unique<QProcess>();
    sim.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.process->start(QCoreApplication::applicationDirPath() + QStringLiteral("/korvo-sim"),
                       {QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--pty"),
                        QStringLiteral("--stream"), QString::number(rate)});
    if (!sim.process->waitForStarted(10000) || !sim.process->waitForReadyRead(10000)) {
        std::fprintf(stderr, "%s: korvo-sim did not start: %s\n", who,
                     qPrintable(sim.process->errorString()));
        return false;
    }
    sim.pty = QString::fromLocal8Bit(sim.process->readLine().trimmed());
    return sim.pty.startsWith(QLatin1Char('/'));
}

void StreamingSim::stop()
{
    if (!process)
        return;
    process->terminate();
    process->waitForFinished(5000);
}

Preferences terminalWorkspace(const QStringList &ptys)
{
    Preferences state;
    state.setup.state = 0;
    state.setup.width = 18000;
    state.setup.height = 12000;
    for (int n = 1; n <= ptys.size(); ++n) {
        CommWindowSettings &slot = addTerminalSlot(state, n);
        slot.portName = ptys.at(n - 1);
        slot.settings = QStringLiteral("921600,N,8,1");
        slot.connected = true;
        slot.top = slot.left = 400 * (n - 1);
    }
    state.commCt = int16_t(ptys.size());
    return state;
}

PromptAnswer ReportingPrompt::ask(const PromptRequest &request)
{
    std::fprintf(stderr, "%s: the program said: %s\n", m_who, qPrintable(request.text));
    ++count;
    return PromptAnswer::Cancel;
}

} // namespace korvo::bench
