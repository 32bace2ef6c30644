#pragma once

// The program's prompt: a modal QMessageBox over the active window.

#include "app/prompt.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>

namespace korvo {

class MessageBoxPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;
    void dismiss() override;

private:
    // A box asks in an event loop of its own, where another question may open over it.
    QList<QPointer<QMessageBox>> m_open;
};

} // namespace korvo
