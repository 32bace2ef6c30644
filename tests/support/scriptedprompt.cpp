#include "scriptedprompt.h"

namespace korvo {

PromptAnswer ScriptedPrompt::ask(const PromptRequest &request)
{
    m_asked.append(request);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    switch (request.buttons) {
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
