#include "sessionprompt.h"

namespace korvo {

void SessionPrompt::endSession()
{
    m_ending = true;
    m_user.dismiss();
}

PromptAnswer SessionPrompt::ask(const PromptRequest &request)
{
    if (!m_ending) {
        const PromptAnswer answer = m_user.ask(request);
        if (!m_ending)
            return answer;
    }
    switch (request.buttons) {
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::Ok:
        break;
    }
    return PromptAnswer::Ok;
}

} // namespace korvo
