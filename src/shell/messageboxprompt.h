#pragma once

// The program's prompt: a modal QMessageBox over the active window.

#include "app/prompt.h"

namespace korvo {

class MessageBoxPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;
};

} // namespace korvo
