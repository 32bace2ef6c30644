#pragma once

// The context korvo-cli's commands run in: the link the options describe, an event loop that carries one
// engine to its end, Ctrl+C as the engine's Cancel, and progress about once a second on stderr.

#include "app/scaledclock.h"
#include "clicommand.h"
#include "link/linetrace.h"

#include <QElapsedTimer>
#include <optional>

namespace korvo::cli {

struct LinkOptions
{
    QString port;
    QString settings;
    QString tcp;
    int terminal = 0;
    QString prefs = QStringLiteral("korvoterm.ktm");
    QString device;
    std::optional<QString> address;
    bool json = false;
    bool quiet = false;
    int timeScale = 1; // the link's clock runs this many times faster
    QString trace;     // the file the line trace goes to; empty for none
};

// Takes the link options out of args; false with a message when they are unusable.
bool parseLinkOptions(QStringList &args, LinkOptions &options, QString *error);

class CliRunner final : public CliContext
{
public:
    // Builds the settings from the options (and the preferences file for --terminal); check error().
    // command names the jobs it runs (in the trace).
    CliRunner(const LinkOptions &options, const QString &command);
    ~CliRunner() override;

    const QString &error() const { return m_error; }
    // Writes the line trace to the --trace file, whole; false when it could not (reported).
    bool writeTrace();

    CommWindowSettings &settings() override { return m_settings; }
    DeviceType device() const override { return m_device; }
    QString address() const override { return m_options.address.value_or(QString()); }
    bool json() const override { return m_options.json; }
    bool quiet() const override { return m_options.quiet; }
    CommLink *link() override;
    int run(DeviceEngine &engine, CommLink::LeaseKind kind,
            const std::function<void(const EngineEvent &)> &onEvent,
            const std::function<QString()> &progress) override;
    void pump() override;
    void out(const QString &text) override;
    void err(const QString &text) override;
    void outJson(const QJsonObject &object) override;

private:
    // The last steps the engine reported, with the rate and time left they give.
    QString stepsText() const;

    LinkOptions m_options;
    QString m_command;
    std::unique_ptr<LineTrace> m_trace; // with --trace
    CommWindowSettings m_settings;
    DeviceType m_device = PlainText;
    QString m_error;
    std::unique_ptr<ScaledClock> m_clock;
    std::unique_ptr<CommLink> m_link;
    QString m_linkError;
    QElapsedTimer m_jobTimer;
    std::optional<EngineEvent::Progress> m_steps;
    EngineLease *m_lease = nullptr; // the running job's, during run()
};

} // namespace korvo::cli
