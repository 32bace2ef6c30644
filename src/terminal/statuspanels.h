#pragma once

// A terminal window's status bar: its panels by key ("connect", "comm", "device", "can", "group",
// "capture", "msg"), the link's state in the first four, and what a double click on them does. "connect"
// toggles the link. "comm", "device" and "can" lead to the communication settings: the socket is closed
// first, so that the gateway is free while the dialog looks for devices, and opened again afterwards
// unless the dialog's applied settings have already done so.

#include "ui/statusrow.h"

namespace korvo {

class CommLink;

class StatusPanels : public StatusRow
{
    Q_OBJECT
public:
    StatusPanels(CommLink &link, QWidget *parent);

Q_SIGNALS:
    // A double click on "comm", "device" or "can": the preferences dialog runs (modally) inside this signal.
    void preferencesRequested();

private:
    void onDoubleClick(const QString &key);
    void openPreferences();

    CommLink &m_link;
};

} // namespace korvo
