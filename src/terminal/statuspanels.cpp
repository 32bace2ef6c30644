#include "terminal/statuspanels.h"

#include "link/commlink.h"

#include <QPointer>

namespace korvo {

StatusPanels::StatusPanels(CommLink &link, QWidget *parent) : StatusRow(Look::Sunken, parent), m_link(link)
{
    for (const char *key : {"connect", "comm", "device", "can", "group", "capture", "msg"})
        addPanel(QLatin1String(key), qstrcmp(key, "msg") == 0);

    connect(&link, &CommLink::statusText, this, &StatusPanels::setText);
    connect(&link, &CommLink::panelEnabled, this, &StatusPanels::setPanelEnabled);
    connect(this, &StatusRow::doubleClicked, this, &StatusPanels::onDoubleClick);
}

void StatusPanels::onDoubleClick(const QString &key)
{
    if (key == QLatin1String("connect"))
        m_link.connectComm(!m_link.isConnected());
    else if (key == QLatin1String("comm") || key == QLatin1String("device") || key == QLatin1String("can"))
        openPreferences();
}

void StatusPanels::openPreferences()
{
    // A device dialogue holding the link keeps its line; the dialog then only shows the settings.
    if (!m_link.hasEngine())
        m_link.closeSocket();
    const QPointer<StatusPanels> alive(this);
    emit preferencesRequested();
    if (!alive)
        return;
    // Cancel, or settings applied to other windows only, leave the socket closed while Connected is set.
    if (m_link.isConnected() && m_link.isTcp() && !m_link.isSocketOpen())
        m_link.applyCommSettings();
}

} // namespace korvo
