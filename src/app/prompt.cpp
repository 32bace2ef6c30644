#include "prompt.h"

namespace korvo {

namespace {
Prompt *g_prompt = nullptr;

PromptAnswer defaultAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Yes;
    case PromptButtons::Ok:
    case PromptButtons::OkCancel:
        break;
    }
    return PromptAnswer::Ok;
}
} // namespace

void setPrompt(Prompt *prompt)
{
    g_prompt = prompt;
}

PromptAnswer ask(const QString &text, const QString &title, PromptIcon icon, PromptButtons buttons)
{
    if (!g_prompt)
        return defaultAnswer(buttons);
    return g_prompt->ask({text, title.isEmpty() ? QStringLiteral("KorvoTerm") : title, icon, buttons});
}

} // namespace korvo
