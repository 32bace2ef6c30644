#pragma once

// The prompt the main window hands its windows: the user's own until the desktop session ends under the
// program; from then on every question is answered without waiting for anyone.

#include "app/prompt.h"

namespace korvo {

class SessionPrompt final : public Prompt
{
public:
    explicit SessionPrompt(Prompt &user) : m_user(user) {}

    PromptAnswer ask(const PromptRequest &request) override;
    // Nothing is saved over a file that the user did not ask to save (unsaved text is in recovery copies by
    // then), and no dialog holds the shutdown up: one that is open closes, and its question gets the same
    // answer as any later one.
    void endSession();

private:
    Prompt &m_user;
    bool m_ending = false;
};

} // namespace korvo
