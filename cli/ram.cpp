// korvo-cli ram: one RAM viewer read of a Veltor or Fendra; prints the controller's dump.

#include "clicommand.h"
#include "tools/ramdump.h"
#include "tools/ramreadengine.h"
#include "tools/ramregisters.h"

using namespace korvo;
using namespace korvo::cli;

namespace {

int ram(CliContext &ctx, QStringList args)
{
    const QString blockName = takeOption(args, QStringLiteral("--block"));
    QString address;
    QString count;
    if (!blockName.isEmpty() && args.isEmpty()) {
        for (const RamBlock &block : ramregisters::blocks())
            if (block.name.compare(blockName, Qt::CaseInsensitive) == 0 && block.tableSize > 0) {
                address = block.address;
                count = block.count;
            }
    } else if (blockName.isEmpty() && args.size() == 2) {
        address = args.at(0);
        count = args.at(1);
    }
    if (address.isEmpty()) {
        ctx.err(QStringLiteral("usage: ram ADDRESS COUNT | ram --block FPGA|Motor|CPU|CAN|IntTmr|SCDACs"));
        return UsageOrLink;
    }
    if (ctx.device() != Veltor && ctx.device() != Fendra) {
        ctx.err(
            QStringLiteral("the RAM viewer reads Veltor and Fendra controllers (--device veltor|fendra)"));
        return UsageOrLink;
    }
    // The dump carries no check: a row that noise on the line garbled is read again, twice at most.
    constexpr int kReads = 3;
    QString dump;
    QString garbled;
    for (int read = 0; read < kReads && (read == 0 || !garbled.isEmpty()); ++read) {
        RamReadEngine engine(address, count);
        const int result = ctx.run(engine, CommLink::LeaseKind::Shared);
        if (result != Done)
            return result;
        if (engine.outcome() != RamReadEngine::Outcome::Dump) {
            ctx.err(engine.message());
            return JobFailed;
        }
        dump = ramdump::extract(engine.printed(), address, count.toInt());
        garbled = ramdump::garbledRow(dump, address, count.toInt());
    }
    if (dump.isEmpty()) {
        ctx.err(
            QStringLiteral("The reply does not hold address %1 (read %2 times).").arg(address).arg(kReads));
        return JobFailed;
    }
    if (!garbled.isEmpty()) {
        ctx.err(QStringLiteral("the dump came garbled %1 times; the last time at row %2")
                    .arg(kReads)
                    .arg(garbled));
        return JobFailed;
    }
    if (ctx.json()) {
        ctx.outJson({{QStringLiteral("address"), address}, {QStringLiteral("dump"), dump}});
        return Done;
    }
    ctx.out(ramdump::header(count.toInt()));
    ctx.out(QString(dump).remove(QLatin1Char('\r')));
    return Done;
}

} // namespace

const CliHelp kHelp{
    "ram ADDRESS COUNT | ram --block NAME",
    "Prints the dump a Veltor or Fendra controller gives of its RAM, with a header line (needs --device "
    "veltor or fendra).",
    {{"ADDRESS", "the first address, in hex"},
     {"COUNT", "the number of bytes"},
     {"--block NAME", "a named block instead: FPGA, Motor, CPU, CAN, IntTmr or SCDACs"}},
    "the controller gave no dump (its message is printed), or a garbled one three times",
    {{"address", "the first address"}, {"dump", "the dump as the controller printed it"}}};

KORVO_CLI_COMMAND("ram", kHelp, ram);
