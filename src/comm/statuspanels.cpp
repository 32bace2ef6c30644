#include "comm/statuspanels.h"

#include "comm/commlink.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>

namespace korvo {

StatusPanels::StatusPanels(CommLink &link, QWidget *parent) : StatusRow(parent), m_link(link)
{
    for (const char *key : {"connect", "comm", "device", "can", "group", "capture", "msg"}) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(key));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        addPanel(label, qstrcmp(key, "msg") == 0 ? 1 : 0);
        m_panels.insert(QLatin1String(key), label);
    }
    for (const char *key : {"connect", "comm", "device", "can"})
        m_panels.value(QLatin1String(key))->installEventFilter(this);

    connect(&link, &CommLink::statusText, this, &StatusPanels::setPanelText);
    connect(&link, &CommLink::panelEnabled, this, [this](const QString &key, bool enabled) {
        if (QLabel *label = panel(key))
            label->setEnabled(enabled);
    });
}

void StatusPanels::setPanelText(const QString &key, const QString &text)
{
    if (QLabel *label = panel(key))
        label->setText(text);
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonDblClick)
        return false;
    if (watched == panel(QStringLiteral("connect")))
        m_link.connectComm(!m_link.isConnected());
    else
        openPreferences();
    return true;
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
