#pragma once

// A prompt for tests: records every question and answers from a script (default: the first button).

#include "app/prompt.h"

#include <QList>
#include <functional>

namespace korvo {

class ScriptedPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;

    // Answers to give, in order; when they run out the first button of the box is chosen.
    void queueAnswer(PromptAnswer answer) { m_answers.append(answer); }
    const QList<PromptRequest> &asked() const { return m_asked; }
    void clear() { m_asked.clear(); }
    // Called with every question before it is answered: what the user sees while it is asked.
    void onAsk(std::function<void(const PromptRequest &)> look) { m_look = std::move(look); }
    // The open question was closed from outside (the session ended while it was asked).
    void dismiss() override { ++m_dismissed; }
    int dismissed() const { return m_dismissed; }

private:
    std::function<void(const PromptRequest &)> m_look;
    QList<PromptAnswer> m_answers;
    QList<PromptRequest> m_asked;
    int m_dismissed = 0;
};

} // namespace korvo
