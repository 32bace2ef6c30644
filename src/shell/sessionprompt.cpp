#include "sessionprompt.h"

namespace korvo {

PromptAnswer SessionPrompt::ask(const PromptRequest &request)
{
    if (!m_ending)
        return m_user.ask(request);
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
