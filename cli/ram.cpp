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
    RamReadEngine engine(address, count);
    const int result = ctx.run(engine, CommLink::LeaseKind::Shared);
    if (result != Done)
        return result;
    if (engine.outcome() != RamReadEngine::Outcome::Dump) {
        ctx.err(engine.message());
        return JobFailed;
    }
    const QString dump = ramdump::extract(engine.printed(), address, count.toInt());
    if (ctx.json()) {
        ctx.outJson({{QStringLiteral("address"), address}, {QStringLiteral("dump"), dump}});
        return Done;
    }
    ctx.out(ramdump::header(count.toInt()));
    ctx.out(QString(dump).remove(QLatin1Char('\r')));
    return Done;
}

} // namespace

KORVO_CLI_COMMAND("ram", "ram ADDRESS COUNT | ram --block NAME       print a Veltor's or Fendra's memory",
                  ram);
