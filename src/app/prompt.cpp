#include "prompt.h"

namespace korvo {

PromptAnswer ask(Prompt &prompt, const QString &text, const QString &title, PromptIcon icon,
                 PromptButtons buttons)
{
    return prompt.ask({text, title.isEmpty() ? QStringLiteral("KorvoTerm") : title, icon, buttons});
}

PromptAnswer firstButtonAnswer(PromptButtons buttons)
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

} // namespace korvo
