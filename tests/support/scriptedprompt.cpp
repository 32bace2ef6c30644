#include "scriptedprompt.h"

namespace korvo {

PromptAnswer ScriptedPrompt::ask(const PromptRequest &request)
{
    m_asked.append(request);
    if (m_look)
        m_look(request);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return firstButtonAnswer(request.buttons);
}

} // namespace korvo
