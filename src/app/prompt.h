#pragma once

// The one way the program asks the user something: every message box goes through here, so tests
// can answer prompts without a screen.

#include <QString>

namespace korvo {

enum class PromptIcon { None, Information, Question, Exclamation, Critical };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct PromptRequest
{
    QString text;
    QString title;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;

    bool operator==(const PromptRequest &) const = default;
};

class Prompt
{
public:
    virtual ~Prompt() = default;
    virtual PromptAnswer ask(const PromptRequest &request) = 0;
};

// Installs the prompt used from now on (not owned); the program installs its message-box prompt at start.
void setPrompt(Prompt *prompt);

// Asks through the installed prompt; without one, answers as if the default button were pressed.
PromptAnswer ask(const QString &text, const QString &title = QString(), PromptIcon icon = PromptIcon::None,
                 PromptButtons buttons = PromptButtons::Ok);

} // namespace korvo
