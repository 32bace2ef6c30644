#include "canjob.h"

#include "settings/inifile.h"
#include "settings/prefkeys.h"
#include "settings/prefsmap.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace korvo::cli {

namespace {
// Writes the record's keys the way the preferences file does.
class SectionWriter
{
public:
    SectionWriter(IniFile &ini, QString section) : m_ini(ini), m_section(std::move(section)) {}
    void int16(const char *key, const int16_t &field, int16_t)
    {
        m_ini.setValue(m_section, QLatin1String(key), QString::number(field));
    }
    void character(const char *key, const int16_t &field, char)
    {
        m_ini.setValue(m_section, QLatin1String(key),
                       field != 0 ? QString(QChar(static_cast<char16_t>(field))) : QString());
    }

private:
    IniFile &m_ini;
    QString m_section;
};
} // namespace

bool takeCanTarget(QStringList &args, CanTarget *target, QString *error)
{
    const QString name = takeOption(args, QStringLiteral("--target")).toLower();
    if (name == u"module")
        *target = CanTarget::Module;
    else if (name == u"dongle")
        *target = CanTarget::Dongle;
    else if (name == u"monitor")
        *target = CanTarget::Monitor;
    else {
        *error = name.isEmpty() ? QStringLiteral("give --target module|dongle|monitor")
                                : QStringLiteral("unknown target \"%1\" (module, dongle, monitor)").arg(name);
        return false;
    }
    return true;
}

CanConfigOptions canJobOptions(CliContext &ctx, CanTarget target, CanConfigOptions::Script script)
{
    CanConfigOptions o;
    o.target = target;
    o.timing = LinkTiming::fromSettings(ctx.settings());
    o.script = script;
    // The adapter is looked for at the link's rate first.
    o.records[1].baud = int16_t(codeFromBaud(o.timing.baud));
    return o;
}

int runCanJob(CliContext &ctx, CanConfigEngine &engine)
{
    CommLink *link = ctx.link();
    if (!link)
        return UsageOrLink;
    return ctx.run(engine, CommLink::LeaseKind::Exclusive, [&](const EngineEvent &event) {
        const CanEvent *can = event.as<CanEvent>();
        if (!can || can->kind != CanEvent::Kind::Notice)
            return;
        if (!ctx.quiet() || can->waits)
            ctx.err(QString(can->notice.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
        if (!can->waits)
            return;
        // The engineer grounds (or frees) the module's Config input, then presses Enter; the exchange has
        // nothing outstanding meanwhile. End of input counts as Enter.
        ctx.err(QStringLiteral("Press Enter to continue."));
        std::string line;
        std::getline(std::cin, line);
        engine.promptAnswered(link->nowMs());
    });
}

QByteArray canRecordText(const CanRecord &record, CanTarget target)
{
    const bool module = target == CanTarget::Module;
    const QString section = module ? prefkeys::moduleSection() : prefkeys::dongleSection();
    IniFile ini;
    SectionWriter writer(ini, section);
    prefsmap::canRecord(writer, record, module);
    return ini.toBytes();
}

} // namespace korvo::cli
