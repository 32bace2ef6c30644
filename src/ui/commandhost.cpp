#include "ui/childwindow.h"

namespace korvo {

namespace {
class NullCommandHost final : public CommandHost
{
public:
    void setEnabled(Command, bool) override {}
    void setTip(Command, const QString &) override {}
    void showTerminalMenu(const QPoint &, bool) override {}
    void showEditMenu(const QPoint &) override {}
};

NullCommandHost g_nullHost;
CommandHost *g_host = nullptr;
} // namespace

CommandHost &commandHost()
{
    return g_host ? *g_host : g_nullHost;
}

void setCommandHost(CommandHost *host)
{
    g_host = host;
}

} // namespace korvo
