#include "ui/childwindow.h"

#include "app/devicecatalogue.h"

namespace korvo {

namespace {
class NullCommandHost final : public CommandHost
{
public:
    void setEnabled(Command, bool) override {}
    void setTip(Command, const QString &) override {}
    void showTerminalMenu(const QPoint &, bool) override {}
    void showEditMenu(const QPoint &) override {}
    void childActivated(WindowKind, int) override {}
    void childClosed(WindowKind, int) override {}
    DeviceType deviceFamily() const override { return Veltor; }
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
