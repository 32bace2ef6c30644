#pragma once

// korvo-cli's command registry and the context a command runs in. Each command is one .cpp file that
// registers itself with KORVO_CLI_COMMAND and drives a core engine through ctx.run(); the context has
// already parsed the link options (--port/--tcp/--terminal, --settings, --device, --address, --json,
// --quiet) and opens the link on first use.

#include "app/devicecatalogue.h"
#include "link/commlink.h"
#include "settings/preferences.h"

#include <QJsonObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace korvo::cli {

// Exit codes of the contract.
enum Exit { Done = 0, JobFailed = 1, UsageOrLink = 2, Interrupted = 130 };

class CliContext
{
public:
    virtual ~CliContext() = default;

    // The terminal settings the link options describe (device type, address, rate, TCP address...).
    virtual CommWindowSettings &settings() = 0;
    // Device type from --device or --terminal; PlainText when neither gave one.
    virtual DeviceType device() const = 0;
    // --address: the device address put before every line sent (then lines end in LF); empty when none.
    virtual QString address() const = 0;
    virtual bool json() const = 0;
    virtual bool quiet() const = 0;

    // Opens the link (once). On failure prints the OS's reason to stderr and returns nullptr: the command
    // returns UsageOrLink.
    virtual CommLink *link() = 0;
    // Attaches the engine, runs the event loop until it finishes (or Ctrl+C cancels it: the result is then
    // Interrupted) and hands every event to onEvent. Unless --quiet, progress goes to stderr about once a
    // second: progress's text when given, else the engine's last reported steps or the time elapsed; once
    // more at the end when there is something to tell.
    // Returns Done when the engine finished, JobFailed when it failed.
    virtual int run(DeviceEngine &engine, CommLink::LeaseKind kind,
                    const std::function<void(const EngineEvent &)> &onEvent = {},
                    const std::function<QString()> &progress = {}) = 0;

    // During run(): after the command called the engine itself outside an event (an answer read from the
    // terminal), writes the engine's output and delivers its events.
    virtual void pump() = 0;

    // Text output: stdout for results, stderr for messages.
    virtual void out(const QString &text) = 0;
    virtual void err(const QString &text) = 0;
    // --json: prints the object as one line on stdout.
    virtual void outJson(const QJsonObject &object) = 0;
};

// Arguments after the command's name (link options removed); the result is the exit code.
using CliFunction = std::function<int(CliContext &ctx, const QStringList &args)>;

// One argument, option or JSON field of a command, and what it is.
struct CliItem
{
    const char *term;
    const char *text;
};

// What `korvo-cli COMMAND --help` and the manual page say about a command. Exit statuses 0, 2 and 130 mean
// the same for every command; failure says what status 1 means for this one.
struct CliHelp
{
    const char *synopsis;
    const char *summary;
    std::vector<CliItem> arguments;
    const char *failure;
    std::vector<CliItem> json; // empty: the command prints no JSON object
};

struct CliCommand
{
    const char *name;
    CliHelp help;
    CliFunction run;
};

std::vector<CliCommand> &cliCommands();

struct CliRegistrar
{
    CliRegistrar(const char *name, CliHelp help, CliFunction run);
};

// "--name value" or "--name=value" among args: the value, removed from args; fallback when absent.
QString takeOption(QStringList &args, const QString &name, const QString &fallback = QString());
// "--name" among args: true, removed from args.
bool takeFlag(QStringList &args, const QString &name);

} // namespace korvo::cli

#define KORVO_CLI_CONCAT2(a, b) a##b
#define KORVO_CLI_CONCAT(a, b) KORVO_CLI_CONCAT2(a, b)
#define KORVO_CLI_COMMAND(name, help, function)                                                              \
    static const korvo::cli::CliRegistrar KORVO_CLI_CONCAT(korvoCli_, __LINE__)(name, help, function)
