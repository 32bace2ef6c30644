#include "clihelp.h"

#include <QString>

namespace korvo::cli {

namespace {

const CliItem kLinkItems[] = {
    {"--port DEVICE", "a serial device (/dev/ttyUSB0, a pty)"},
    {"--settings RATE,PARITY,BITS,STOP", "the serial line's settings (default 9600,N,8,1)"},
    {"--tcp HOST[:PORT]", "a TCP-to-serial gateway (port 503 when none is given)"},
    {"--terminal N", "link, settings, device type and address of Terminal N of a preferences file; options "
                     "given as well override the file"},
    {"--prefs FILE", "the preferences file of --terminal (default korvoterm.ktm in the current folder)"},
    {"--links FILE",
     "several links, one a line: --port DEVICE or --tcp HOST[:PORT] (a bare device path is "
     "its --port), then options of its own (--settings, --address, --device, upgrade's --serial...)"},
};

// What more than one link does.
const char kRackText[] =
    "With --port or --tcp given more than once, or --links FILE, the command runs on every link at the same "
    "time, and one summary line per link follows: the link, its result (done, failed, not started "
    "(a usage error or no link), interrupted), the time it took and its last message; with --json one object "
    "per link with the fields "
    "link, result, exit, seconds and message. {port} in the arguments becomes the link's name made fit for a "
    "file name (/dev/ttyUSB0 gives ttyUSB0), as in upload -o backup-{port}.vxt. Exit status 0 when every "
    "link is done, 1 when any is not, 130 after Ctrl+C, which stops every job.";

const CliItem kOptionItems[] = {
    {"--device TYPE", "the controller type: ukorvo, 926q, hmi, veltor, fendra or nb"},
    {"--address TEXT", "the device address put before every line sent"},
    {"--json", "the result as one JSON object on stdout, with the fields each command names"},
    {"--quiet", "no progress lines (otherwise about once a second on stderr: done/total, rate, ETA)"},
    {"--time-scale N", "pauses and time-outs N times shorter, against korvo-sim (1..1000)"},
    {"--trace FILE", "writes every byte both ways with its time, direction, hex and text, and where the job "
                     "starts and ends, to FILE when the command ends, also when it fails"},
};

const CliItem kExitItems[] = {
    {"0", "done"},
    {"1", "the device answered but the job failed"},
    {"2", "a usage error, or no link (the message carries the system's reason)"},
    {"130", "stopped by Ctrl+C, as the window's Cancel stops the job"},
};

// The words of text from column indent on, the lines broken before column 100 and continued at indent.
void printWrapped(FILE *to, const char *text, qsizetype indent)
{
    qsizetype column = indent;
    for (const QString &word : QString::fromUtf8(text).split(u' ')) {
        const bool first = column == indent;
        if (!first && column + 1 + word.size() > 100) {
            std::fprintf(to, "\n%*s%s", int(indent), "", qPrintable(word));
            column = indent + word.size();
            continue;
        }
        std::fprintf(to, first ? "%s" : " %s", qPrintable(word));
        column += (first ? 0 : 1) + word.size();
    }
    std::fputc('\n', to);
}

void printItems(FILE *to, const CliItem *begin, const CliItem *end)
{
    for (const CliItem *item = begin; item != end; ++item) {
        std::fprintf(to, "  %-34s ", item->term);
        printWrapped(to, item->text, 37);
    }
}

void printItems(FILE *to, const std::vector<CliItem> &items)
{
    printItems(to, items.data(), items.data() + items.size());
}

// Roff text: a backslash and a leading dot or quote would be read as requests.
QByteArray roff(const char *text)
{
    QString s = QString::fromUtf8(text);
    s.replace(u'\\', QStringLiteral("\\e")).replace(u'-', QStringLiteral("\\-"));
    if (s.startsWith(u'.') || s.startsWith(u'\''))
        s.prepend(QStringLiteral("\\&"));
    return s.toUtf8();
}

void manualItems(FILE *to, const CliItem *begin, const CliItem *end)
{
    for (const CliItem *item = begin; item != end; ++item)
        std::fprintf(to, ".TP\n.B %s\n%s\n", roff(item->term).constData(), roff(item->text).constData());
}

void manualItems(FILE *to, const std::vector<CliItem> &items)
{
    manualItems(to, items.data(), items.data() + items.size());
}

} // namespace

void printUsage(FILE *to)
{
    std::fputs("usage: korvo-cli [LINK] [OPTIONS] COMMAND [ARGUMENTS]\nlink:\n", to);
    printItems(to, std::begin(kLinkItems), std::end(kLinkItems));
    printWrapped(to, kRackText, 0);
    std::fputs("options:\n", to);
    printItems(to, std::begin(kOptionItems), std::end(kOptionItems));
    std::fputs("commands:\n", to);
    for (const CliCommand &command : cliCommands())
        std::fprintf(to, "  %s\n", command.help.synopsis);
    std::fputs("'korvo-cli COMMAND --help' shows a command's arguments, exit statuses and JSON fields.\n",
               to);
}

void printCommandHelp(FILE *to, const CliCommand &command)
{
    const CliHelp &help = command.help;
    std::fprintf(to, "usage: korvo-cli [LINK] [OPTIONS] %s\n\n", help.synopsis);
    printWrapped(to, help.summary, 0);
    if (!help.arguments.empty()) {
        std::fputs("\narguments and options:\n", to);
        printItems(to, help.arguments);
    }
    std::fputs("\nexit status:\n", to);
    const CliItem failed{"1", help.failure};
    printItems(to, std::begin(kExitItems), std::begin(kExitItems) + 1);
    printItems(to, &failed, &failed + 1);
    printItems(to, std::begin(kExitItems) + 2, std::end(kExitItems));
    if (help.json.empty()) {
        std::fputs("\n--json: no JSON object.\n", to);
    } else {
        std::fputs("\n--json fields:\n", to);
        printItems(to, help.json);
    }
    std::fputs("\nThe link and the common options: korvo-cli --help.\n", to);
}

void printManual(FILE *to)
{
    std::fputs(".TH KORVO-CLI 1 \"December 2026\" \"KorvoTerm " KORVO_VERSION_TEXT "\" \"User Commands\"\n"
               ".SH NAME\nkorvo\\-cli \\- stepper\\-motor controller jobs from scripts, without a display\n"
               ".SH SYNOPSIS\n.B korvo\\-cli\n.RI [ LINK ]\n.RI [ OPTIONS ]\n.I COMMAND\n.RI [ ARGUMENTS ]\n"
               ".br\n.B korvo\\-cli\n.I COMMAND\n.B \\-\\-help\n"
               ".SH DESCRIPTION\n.B korvo\\-cli\nruns the jobs of KorvoTerm's windows (upload, download, "
               "verify, firmware upgrade, rate search, RAM reads, function keys, CAN configuration, SPI "
               "messages) on a serial line or a TCP\\-to\\-serial gateway, with the same exchanges as the "
               "windows. Results go to stdout, messages and progress to stderr.\n"
               ".SH LINK\n",
               to);
    manualItems(to, std::begin(kLinkItems), std::end(kLinkItems));
    std::fprintf(to, ".PP\n%s\n", roff(kRackText).constData());
    std::fputs(".SH OPTIONS\n", to);
    manualItems(to, std::begin(kOptionItems), std::end(kOptionItems));
    std::fputs(".SH COMMANDS\n", to);
    for (const CliCommand &command : cliCommands()) {
        const CliHelp &help = command.help;
        std::fprintf(to, ".SS %s\n%s\n", roff(help.synopsis).constData(), roff(help.summary).constData());
        if (!help.arguments.empty()) {
            std::fputs(".RS\n", to);
            manualItems(to, help.arguments);
            std::fputs(".RE\n", to);
        }
        std::fprintf(to, ".PP\nExit status 1: %s.\n.PP\n", roff(help.failure).constData());
        if (help.json.empty()) {
            std::fputs("With \\-\\-json: no JSON object.\n", to);
        } else {
            std::fputs("JSON fields:\n.RS\n", to);
            manualItems(to, help.json);
            std::fputs(".RE\n", to);
        }
    }
    std::fputs(".SH EXIT STATUS\n", to);
    manualItems(to, std::begin(kExitItems), std::end(kExitItems));
    std::fputs(".SH EXAMPLES\n.nf\n"
               "korvo\\-cli \\-\\-port /dev/ttyUSB0 \\-\\-device veltor upload \\-o veltor.vxt\n"
               "korvo\\-cli \\-\\-port /dev/ttyUSB0 \\-\\-device veltor verify veltor.vxt\n"
               "korvo\\-cli \\-\\-tcp 10.0.0.5 send \"pr al\" \\-\\-wait\\-ms 500\n"
               "korvo\\-cli \\-\\-port /dev/ttyUSB0 \\-\\-port /dev/ttyUSB1 \\-\\-device veltor upload "
               "\\-o backup\\-{port}.vxt\n"
               ".fi\n.SH SEE ALSO\n.BR korvoterm (1),\n.BR korvo\\-sim (1)\n",
               to);
}

} // namespace korvo::cli
