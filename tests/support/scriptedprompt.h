#pragma once

// A prompt for tests: records every question and answers from a script (default: the first button).

#include "app/prompt.h"

#include <QList>

namespace korvo {

class ScriptedPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;

    // Answers to give, in order; when they run out the first button of the box is chosen.
    void queueAnswer(PromptAnswer answer) { m_answers.append(answer); }
    const QList<PromptRequest> &asked() const { return m_asked; }
    void clear() { m_asked.clear(); }

private:
    QList<PromptAnswer> m_answers;
    QList<PromptRequest> m_asked;
};

} // namespace korvo
