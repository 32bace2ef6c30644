#include "prompt.h"

namespace korvo {

PromptAnswer ask(Prompt &prompt, const QString &text, const QString &title, PromptIcon icon,
                 PromptButtons buttons)
{
    return prompt.ask({text, title.isEmpty() ? QStringLiteral("KorvoTerm") : title, icon, buttons});
}

} // namespace korvo
